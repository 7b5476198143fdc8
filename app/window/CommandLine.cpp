#include "app/window/CommandLine.h"

#include "app/startup/StartValues.h"
#include "app/terminal/MyDocument.h"
#include "serial/SerialController.h"

#include <QCommandLineParser>

#include <string>

namespace {

constexpr int badUsage = 2;

const char* const description =
    "A serial terminal: opens a window for each PORT, a device name (ttyUSB0), a path, a "
    "/dev/serial/by-id/ link, or a network port: rfc2217://HOST:PORT (the remote port's settings "
    "and modem lines over RFC 2217, as ser2net serves them), tcp://HOST:PORT (raw bytes) or "
    "telnet://HOST:PORT. Network ports are plain TCP, neither encrypted nor authenticated: across "
    "a network you do not trust, use an SSH tunnel.\n\n"
    "Standard output carries the diagnostic log: a line for each read, write and setting, including "
    "what is typed and sent. Messages like this one go to standard error.";

struct Reader {
    QCommandLineParser& parser;
    std::FILE* messages;
    bool failed = false;

    // The option's value through `read`, or nothing (said on `messages`) when it is bad.
    template <typename Read>
    auto value(const QCommandLineOption& option, Read read) -> decltype(read(std::string_view(), std::declval<std::string&>()))
    {
        if (failed || !parser.isSet(option))
            return {};
        const std::string text = parser.value(option).toStdString();
        std::string error;
        auto result = read(text, error);
        if (!result)
            fail("--" + option.names().constLast().toStdString() + ": " + error);
        return result;
    }
    void fail(const std::string& message)
    {
        std::fprintf(messages, "serialterm: %s\nTry 'serialterm --help' for the options.\n", message.c_str());
        failed = true;
    }
};

} // namespace

CommandLine::Outcome CommandLine::read(const QStringList& arguments, std::FILE* messages)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromUtf8(description));
    const QCommandLineOption help({"h", "help"}, "Show this help and quit.");
    const QCommandLineOption version("version", "Show the program's version and quit.");
    const QCommandLineOption baud({"b", "baud"}, "The baud rate, any from 50 to 4000000.", "N");
    const QCommandLineOption format({"f", "format"},
        "Data bits 5-8, parity N, E, O, M (mark) or S (space), stop bits 1-2: 8N1, 7E1, 8N2...", "FORMAT");
    const QCommandLineOption flow("flow", "Flow control: none, xon (Xon/Xoff) or hw (RTS/CTS).", "none|xon|hw");
    const QCommandLineOption view("view", "The receive view: text, mixed, dec or hex.", "text|mixed|dec|hex");
    const QCommandLineOption encoding("encoding", "The text encoding: latin1 (one character per byte) or utf8.",
                                      "latin1|utf8");
    const QCommandLineOption console("console", "Start in console mode.");
    const QCommandLineOption capture("capture", "Capture what arrives to FILE, as text with timestamps.", "FILE");
    const QCommandLineOption rawCapture("raw-capture", "Capture the bytes that arrive to FILE, exactly.", "FILE");
    parser.addOptions({help, version, baud, format, flow, view, encoding, console, capture, rawCapture});
    parser.addPositionalArgument("PORT", "A device or a network address; several open several windows.", "[PORT…]");

    Outcome outcome;
    Reader reader{parser, messages};
    if (!parser.parse(arguments)) {
        reader.fail(parser.errorText().toStdString());
        outcome.exitStatus = badUsage;
        return outcome;
    }
    if (parser.isSet(help)) {
        std::fputs(parser.helpText().toStdString().c_str(), messages);
        outcome.exitStatus = 0;
        return outcome;
    }
    if (parser.isSet(version)) {
        std::fprintf(messages, "serialterm %s\n", SERIALTERM_VERSION);
        outcome.exitStatus = 0;
        return outcome;
    }

    StartOptions& options = outcome.options;
    options.baud = reader.value(baud, [](std::string_view text, std::string& error) {
        return StartValues::baud(text, MyDocument::lowestRate, MyDocument::highestRate, error);
    });
    options.packetFlag = reader.value(format, [](std::string_view text, std::string& error) {
        return StartValues::format(text, SerialController::hasMarkSpaceParity(), error);
    });
    options.flowFlag = reader.value(flow, StartValues::flow);
    options.view = reader.value(view, StartValues::view);
    options.encoding = reader.value(encoding, StartValues::encoding);
    options.console = parser.isSet(console);
    if (parser.isSet(capture))
        options.capture = parser.value(capture).toStdString();
    if (parser.isSet(rawCapture))
        options.rawCapture = parser.value(rawCapture).toStdString();
    if (!reader.failed && options.capture && options.rawCapture)
        reader.fail("a window keeps one capture: give --capture or --raw-capture, not both");
    for (const QString& port : parser.positionalArguments()) {
        std::string error;
        if (!reader.failed && !StartValues::port(port.toStdString(), error))
            reader.fail(error);
        options.ports.push_back(port.toStdString());
    }
    if (reader.failed)
        outcome = Outcome{badUsage, {}};
    return outcome;
}
