// Model of a one-line text entry: a UTF-8 string the user types and code reads or sets.
// Typing sends no action; the document reads the value when another control acts.
#pragma once

#include "toolkit/Control.h"

#include <string>

class TextField : public Control {
public:
    const std::string& stringValue() const { return value_; }
    void setStringValue(std::string value);
    // The widget reports the user's typing here.
    void userSetStringValue(std::string value) { setStringValue(std::move(value)); }

private:
    std::string value_;
};
