// The controls of one terminal window as models: a document is made with them as its
// outlets, and connect() wires their actions to it. The Qt window binds widgets to these;
// tests drive them directly. Either way the wiring, labels, titles and keys are the same.
#pragma once

#include "toolkit/Button.h"
#include "toolkit/PopUpButton.h"
#include "toolkit/SegmentedControl.h"
#include "toolkit/TextField.h"
#include "toolkit/TextView.h"

class MyDocument;

struct TerminalControls {
    TextView recieveTF;
    TextView sendTF;
    TextField nonPrintTF;
    PopUpButton devicePU;
    PopUpButton baudPU;
    PopUpButton baudRatePU;
    PopUpButton packetPU;
    PopUpButton flowPU;
    SegmentedControl readToggle;
    Button sendButton;
    Button addNonPrint;
    Button addLineButton;
    Button addCRtrnButton;
    Button addTabButton;
    Button addNullButton;
    Button clrRecvButton;
    Button clrSendButton;
    // Controls without an outlet.
    Button refreshButton;
    SegmentedControl viewFilter;

    TerminalControls();

    // The tooltips of the receive and transmit controls, which the document gives them once
    // the window is set up.
    void setTransmitToolTips();
    // Connects the actions to document (made with these controls), then lets it set itself up.
    void connect(MyDocument& document);
    // Drops every action, before the document goes away.
    void disconnect();
};
