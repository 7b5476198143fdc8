// Base of the control models: what every window control has in common.
// A model is the truth; a real widget binds to it through the change observer and
// reports the user's acts by calling sendAction(), which reaches the document's action.
#pragma once

#include <functional>
#include <string>

class Control {
public:
    using Action = std::function<void(Control& sender)>;
    using Observer = std::function<void()>;

    Control() = default;
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;
    virtual ~Control() = default;

    // UTF-8.
    void setToolTip(std::string text);
    const std::string& toolTip() const { return toolTip_; }

    void setAction(Action action) { action_ = std::move(action); }
    // The user acted on the control: call the action with this control as sender.
    void sendAction();

    // One observer, normally the widget binding; called after every change of the model.
    void setObserver(Observer observer) { observer_ = std::move(observer); }

protected:
    void changed();

private:
    std::string toolTip_;
    Action action_;
    Observer observer_;
};
