// The command line as main hands it over: each option's value, several ports, and what a bad
// option or value says and answers.
#include "app/window/CommandLine.h"

#include "devices/CharacterFormat.h"

#include <QtTest>

#include <cstdio>
#include <string>

namespace {

struct Read {
    CommandLine::Outcome outcome;
    std::string messages;
};

Read read(QStringList arguments)
{
    arguments.prepend("serialterm");
    std::FILE* file = std::tmpfile();
    Read result{CommandLine::read(arguments, file), {}};
    std::rewind(file);
    for (int c; (c = std::fgetc(file)) != EOF;)
        result.messages.push_back(static_cast<char>(c));
    std::fclose(file);
    return result;
}

} // namespace

class CommandLineTest : public QObject {
    Q_OBJECT

private slots:
    // Without arguments nothing is asked.
    void eachOptionReachesTheStartOptions()
    {
        const Read none = read({});
        QVERIFY(!none.outcome.exitStatus);
        QVERIFY(none.outcome.options == StartOptions{});
        QCOMPARE(none.messages, std::string());
        const Read got = read({"-b", "250000", "--format=7E1", "--flow", "hw", "--view", "hex", "--encoding", "utf8",
                               "--console", "--raw-capture", "/tmp/x.bin", "ttyUSB0", "rfc2217://rack:2217"});
        QVERIFY(!got.outcome.exitStatus);
        const StartOptions& options = got.outcome.options;
        QCOMPARE(options.ports, (std::vector<std::string>{"ttyUSB0", "rfc2217://rack:2217"}));
        QCOMPARE(options.baud, std::optional<int>(250000));
        QCOMPARE(options.packetFlag, std::optional<int>(CharacterFormat{7, CharacterFormat::Parity::Even, 1}.toFlag()));
        QCOMPARE(options.flowFlag, std::optional<int>(2));
        QCOMPARE(options.view, std::optional<ViewType>(ViewTypeHex));
        QCOMPARE(options.encoding, std::optional<TextEncoding>(TextEncodingUtf8));
        QVERIFY(options.console);
        QCOMPARE(options.rawCapture, std::optional<std::string>("/tmp/x.bin"));
        QVERIFY(!options.capture);
    }

    void badOptionsAndValuesExitWithTwoAndSayWhy_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("words");
        QTest::newRow("unknown option") << QStringList{"--speed", "9600"} << "Unknown option 'speed'";
        QTest::newRow("missing value") << QStringList{"-b"} << "Missing value after '-b'";
        QTest::newRow("rate") << QStringList{"--baud", "fast"} << "--baud: \"fast\" is not a baud rate";
        QTest::newRow("format") << QStringList{"-f", "9N1"} << "--format: \"9N1\" is not a character format";
        QTest::newRow("flow") << QStringList{"--flow", "rts"} << "--flow: \"rts\" is not a flow control";
        QTest::newRow("view") << QStringList{"--view", "octal"} << "--view: \"octal\" is not a view";
        QTest::newRow("encoding") << QStringList{"--encoding", "ascii"} << "\"ascii\" is not a text encoding";
        QTest::newRow("two captures") << QStringList{"--capture", "a", "--raw-capture", "b"} << "not both";
        QTest::newRow("address") << QStringList{"tcp://rack"} << "has no port";
    }
    void badOptionsAndValuesExitWithTwoAndSayWhy()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, words);
        const Read got = read(arguments);
        QCOMPARE(got.outcome.exitStatus, std::optional<int>(2));
        QVERIFY2(got.messages.find(words.toStdString()) != std::string::npos, got.messages.c_str());
        QVERIFY(got.messages.find("serialterm --help") != std::string::npos);
    }

    void helpSaysThatStandardOutputCarriesTheLog()
    {
        const Read got = read({"--help"});
        QCOMPARE(got.outcome.exitStatus, std::optional<int>(0));
        QVERIFY(got.messages.find("--raw-capture <FILE>") != std::string::npos);
        QVERIFY(got.messages.find("Standard output carries the diagnostic log") != std::string::npos);
        QVERIFY(got.messages.find("what is typed and sent") != std::string::npos);
        QCOMPARE(read({"--version"}).messages, std::string("serialterm " SERIALTERM_VERSION "\n"));
    }
};

QTEST_GUILESS_MAIN(CommandLineTest)
#include "CommandLineTest.moc"
