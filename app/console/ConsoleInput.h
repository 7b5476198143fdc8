// What a device sent, in the window's text encoding, turned into the UTF-8 that libvterm 0.1
// reads well: Latin-1 widened, C1 controls as their ESC pairs, each byte of no well-formed
// UTF-8 sequence as U+FFFD, and a character split between two reads held back until its rest
// comes. Keeps the held bytes and the buffer of the last result between calls.
#pragma once

#include "app/text/TextEncoding.h"

#include <string>
#include <string_view>

class ConsoleInput {
public:
    // Drops any character held back: it was of the old encoding.
    void setEncoding(TextEncoding encoding);
    TextEncoding encoding() const { return encoding_; }

    // `bytes` as libvterm is to read them: `bytes` itself when nothing needs to change, else
    // a view of this object's buffer, good until the next call.
    std::string_view prepare(std::string_view bytes);

private:
    std::string_view prepareUtf8(std::string_view bytes);
    std::string_view prepareLatin1(std::string_view bytes);

    TextEncoding encoding_ = TextEncodingLatin1;
    std::string out_;
    std::string joined_;    // a held start and the read that follows it
    std::string utf8Start_; // the first bytes of a character whose rest has not come
};
