// The device, baud, format and flow pop-ups of a window: filled with their choices, showing the
// settings of the window's device (or of the device it waits for), and each choice applied to
// the connection, which reopens the port with it, with the lines the choices always logged.
// Rates and formats beyond the pop-ups' own show as an extra entry after them.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <vector>

struct CharacterFormat;
class PopUpButton;
class PortConnection;
struct TerminalControls;

class SettingsPopUps {
public:
    static constexpr int lowestRate = 50;
    static constexpr int highestRate = 4'000'000;

    // status: what the user must know.
    SettingsPopUps(TerminalControls& controls, PortConnection& connection,
                   std::function<void(const std::string&)> status);

    void setTheBaudRateList();
    void setPacketList();
    void setFlowList();
    void setDevice(PopUpButton& sender);
    void setBaudRate(PopUpButton& sender);
    void setPacketType(PopUpButton& sender);
    void setFlowControl(PopUpButton& sender);
    // Any rate from lowestRate to highestRate, and any character format the system has.
    void chooseBaudRate(int rate);
    void chooseCharacterFormat(const CharacterFormat& format);
    // The pop-ups show the settings of the window's device; no device: none.
    void show();
    void setBaudPU(const std::string& title);
    void set_PacketPU(const std::string& title);
    void set_FlowPU(const std::string& title);

private:
    TerminalControls& controls_;
    PortConnection& connection_;
    std::function<void(const std::string&)> status_;
    std::array<int, 13> baudRates{};
    std::vector<std::string> packetTypes;
    std::vector<std::string> flowTypes;
};
