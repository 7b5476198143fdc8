// A window and what it opens on: the windows the command line starts, quitting while
// capturing, the window as assistive technology reads it, the Port menu's line items and dialogs.
#include "tests/app/window/WindowFixture.h"

class WindowPortTest : public WindowFixture {
    Q_OBJECT

private slots:
    // One window on each port asked for, each brought to the options given; without ports, one
    // window as ever.
    void theStartWindowsAreOneOnEachPortWithTheOptions()
    {
        StartOptions options;
        options.ports = {"cu.b", dev_.path() + "/cu.a"};
        options.view = ViewTypeHex;
        options.console = true;
        std::vector<MyDocumentWindow*> windows = terminals_.openStartWindows(options);
        QCOMPARE(windows.size(), std::size_t{2});
        QCOMPARE(windows[0]->document().deviceName(), std::string("cu.b"));
        QCOMPARE(windows[1]->document().deviceName(), std::string("cu.a"));
        for (MyDocumentWindow* window : windows) {
            QVERIFY(window->document().isReading());
            QCOMPARE(window->document().getViewType(), int{ViewTypeHex});
            QVERIFY(window->findChild<ConsolePane*>()->isOn());
            delete window;
        }
        windows = terminals_.openStartWindows(StartOptions{});
        QCOMPARE(windows.size(), std::size_t{1});
        QVERIFY(!windows[0]->document().isReading());
        QCOMPARE(windows[0]->document().getViewType(), int{ViewTypeText});
        QVERIFY(!windows[0]->findChild<ConsolePane*>()->isOn());
        delete windows[0];
    }

    // While capturing, the title's mark and the status bar say so; Ctrl+Q, or a stop signal
    // (SIGINT and SIGHUP take the same way as SIGTERM), leaves the file complete to its stop marker.
    void quittingWhileCapturingLeavesTheFileComplete_data()
    {
        QTest::addColumn<int>("signal");
        QTest::newRow("File > Quit") << 0;
        QTest::newRow("SIGTERM") << SIGTERM;
    }
    void quittingWhileCapturingLeavesTheFileComplete()
    {
        QFETCH(int, signal);
        QuitOnSignals quitOnSignals;
        TempDir files;
        choose(window_->controls().readToggle, 1);
        QVERIFY(proposedCaptureName("cu.a").contains(QRegularExpression("^cu\\.a-\\d{8}-\\d{6}\\.log$")));
        const std::string path = files.path() + "/<i>x&amp;y.log"; // a file name is text, never markup
        QCOMPARE(window_->document().startCapture(path, Capture::Format::Text), std::string());
        farEnd().writeMaster("first line\nsecond");
        QTRY_VERIFY(statusFields().contains("Capturing to <i>x&amp;y.log: 17 bytes"));
        QVERIFY(statusFields().contains("Rx 17 B  Tx 0 B"));
        QLabel* capture = nullptr;
        for (QLabel* label : window_->statusBar()->findChildren<QLabel*>())
            capture = label->accessibleName() == "Capture" ? label : capture;
        QVERIFY(capture && capture->textFormat() == Qt::PlainText);
        QVERIFY(window_->windowTitle().startsWith(QString::fromStdString("\u25CF " + enabledName())));
        if (signal != 0) {
            ::raise(signal);
            QTRY_VERIFY(!window_ || !window_->isVisible());
        } else {
            QAction* quit = item(window_, "File", "Quit");
            QCOMPARE(quit->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q));
            quit->trigger();
        }
        std::ifstream in(path);
        const std::string text((std::istreambuf_iterator<char>(in)), {});
        QVERIFY2(text.find(" first line\n") != std::string::npos, text.c_str());
        QVERIFY2(text.find(" second\n") != std::string::npos, text.c_str());
        QVERIFY2(text.size() > 24 && text.ends_with(" --- Capture stopped ---\n"), text.c_str());
    }

    // As a screen reader meets the window, through the interfaces Qt hands assistive technology.
    // Each control has a name of its own: two buttons both called "Clear", or segments called
    // "On" with no word of what they switch, leave the user guessing.
    void everyControlHasANameOfItsOwn()
    {
        window_->controls().readToggle.userSelectSegment(1); // the modem-line indicators show
        QStringList names;
        collectNames(QAccessible::queryAccessibleInterface(window_), names);
        QVERIFY(names.size() > 20);
        QVERIFY2(!names.contains(QString()), qPrintable(names.join(", ")));
        QCOMPARE(names.removeDuplicates(), 0);
        QVERIFY(names.contains("Read: On") && names.contains("View: Hex"));
        QAccessibleInterface* editor = QAccessible::queryAccessibleInterface(window_->sendEditor());
        QCOMPARE(editor->text(QAccessible::Name), QStringLiteral("Transmit"));
        QAccessibleInterface* view = QAccessible::queryAccessibleInterface(window_->receiveView());
        QCOMPARE(view->text(QAccessible::Name), QStringLiteral("Received"));
        QVERIFY(!view->text(QAccessible::Description).isEmpty());
        for (QLabel* label : window_->statusBar()->findChildren<QLabel*>()) // those hidden too
            QVERIFY2(!label->accessibleName().isEmpty(), qPrintable(label->text()));
    }

    // Tab is a character in the editor; Ctrl+Tab leaves it, and Tab goes on to the receive view.
    void theKeyboardLeavesTheEditorAndReachesTheReceiveView()
    {
        window_->sendEditor()->setFocus();
        QTest::keyClick(window_->sendEditor(), Qt::Key_Tab, Qt::ControlModifier);
        QVERIFY(!window_->sendEditor()->hasFocus());
        for (int i = 0; i < 40 && !window_->receiveView()->hasFocus(); ++i)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QVERIFY(window_->receiveView()->hasFocus());
    }

    // What arrives is read as it shows; what the encoding cannot send stays out, as from the keys.
    void theViewReadsWhatArrivedAndTheEditorRefusesWhatCannotBeSent()
    {
        window_->controls().readToggle.userSelectSegment(1);
        farEnd().writeMaster("boot ok\r\n> ");
        QAccessibleTextInterface* view = QAccessible::queryAccessibleInterface(window_->receiveView())->textInterface();
        QTRY_COMPARE(view->text(0, view->characterCount()), QStringLiteral("boot ok\r\n> "));
        int start = 0, end = 0;
        QCOMPARE(view->textAtOffset(2, QAccessible::LineBoundary, &start, &end), QStringLiteral("boot ok\r\n"));

        QAccessibleInterface* editor = QAccessible::queryAccessibleInterface(window_->sendEditor());
        editor->editableTextInterface()->insertText(0, QStringLiteral("AT"));
        editor->editableTextInterface()->insertText(2, QStringLiteral("\u20ac"));
        QCOMPARE(editor->textInterface()->text(0, editor->textInterface()->characterCount()), QStringLiteral("AT"));
        QVERIFY(QString::fromStdString(window_->document().statusText()).startsWith("\u20ac (U+20AC) cannot be sent"));
    }

    // The Port menu's line items, the status bar's indicators and the two dialogs, on a pty (no
    // modem lines) or with its lines stood in by a fake.
    void aPtyHasNoModemLinesSoTheirItemsAreDisabledAndSayWhy()
    {
        LineControls& lines = lineControls();
        const auto disabledSayingWhy = [](const auto* control) {
            return !control->isEnabled() && control->toolTip() == QStringLiteral("This port has no modem lines");
        };
        for (QAction* item : {lines.dtrItem(), lines.rtsItem(), lines.breakItem(), lines.pulseItem()})
            QVERIFY(disabledSayingWhy(item));
        for (QLabel* indicator : lines.indicators())
            QVERIFY(disabledSayingWhy(indicator));
        QVERIFY(!lines.isPolling());
        QVERIFY(lines.baudItem()->isEnabled() && lines.formatItem()->isEnabled());
    }

    // Drawing shows the lines as last read: a wedged port can't stall it.
    void theItemsSwitchTheLinesTheIndicatorsFollowThemAndDrawingDoesNotRead()
    {
        LineControls& lines = fake();
        QVERIFY(lines.dtrItem()->isChecked() && lines.isPolling());
        const int reads = wire_->reads;
        lines.show();
        QCOMPARE(wire_->reads, reads);
        lines.dtrItem()->trigger();
        QVERIFY(!(wire_->asserted & ModemLines::Dtr) && !lines.dtrItem()->isChecked());
        // The indicators follow the lines at each poll.
        wire_->asserted |= ModemLines::Dsr;
        QMetaObject::invokeMethod(lines.findChild<QTimer*>(), "timeout");
        QCOMPARE(lines.indicators()[1]->toolTip(), QStringLiteral("Data Set Ready (DSR) is asserted"));
    }

    void pollingStopsWhileTheWindowIsMinimizedOrHidden()
    {
        LineControls& lines = fake();
        window_->showMinimized();
        QTRY_VERIFY(!lines.isPolling());
        window_->showNormal();
        QTRY_VERIFY(lines.isPolling());
        window_->hide();
        QVERIFY(!lines.isPolling());
    }

    // The extra pop-up entry and the title are the settings pop-ups test's.
    void theRateDialogTakesAnyRateInRange()
    {
        QAction* opener = lineControls().baudItem();
        answerDialog<BaudRateDialog>(this, [](BaudRateDialog& dialog) {
            QDialogButtonBox* buttons = dialog.findChild<QDialogButtonBox*>();
            dialog.rateBox()->setCurrentText("49");
            QVERIFY(!buttons->button(QDialogButtonBox::Ok)->isEnabled());
            dialog.rateBox()->setCurrentText("3000000");
            QVERIFY(buttons->button(QDialogButtonBox::Ok)->isEnabled());
        });
        opener->trigger();
        QCOMPARE(window_->controls().baudRatePU.titleOfSelectedItem(), std::string("3000000"));
    }

    void theFormatDialogOffersTheParitiesTheSystemHas()
    {
        QAction* opener = lineControls().formatItem();
        answerDialog<CharacterFormatDialog>(this, [](CharacterFormatDialog& dialog) {
            QCOMPARE(dialog.parityBox()->count(), SerialController::hasMarkSpaceParity() ? 5 : 3);
            dialog.dataBitsBox()->setCurrentText("5");
            dialog.parityBox()->setCurrentIndex(dialog.parityBox()->count() - 1);
            dialog.stopBitsBox()->setCurrentText("2");
        });
        opener->trigger();
        QCOMPARE(window_->controls().packetPU.titleOfSelectedItem(),
                 std::string(SerialController::hasMarkSpaceParity() ? "space-5-2" : "odd-5-2"));
    }
};

QTEST_MAIN(WindowPortTest)
#include "WindowPortTest.moc"
