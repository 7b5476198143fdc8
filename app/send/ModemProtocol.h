// The file transfer protocols the lrzsz programs speak, and which of them runs for a send or
// a receive: sx/sb/sz send, rx/rb/rz receive.
#pragma once

#include <string>
#include <string_view>

enum class ModemProtocol : int { Xmodem = 0, Ymodem = 1, Zmodem = 2 };

// "XMODEM", "YMODEM", "ZMODEM".
std::string_view protocolName(ModemProtocol protocol);
// The lrzsz program's name: "sz", "rb"...
std::string_view lrzszProgram(ModemProtocol protocol, bool sending);
// The program's path on PATH (also as Homebrew's "lsz"...), or "" when lrzsz is missing.
std::string findLrzsz(ModemProtocol protocol, bool sending);
// What the menu item and the status bar say when it is missing.
std::string lrzszMissingStatus(ModemProtocol protocol);
