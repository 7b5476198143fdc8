// A window's own parts: tooltips, keys, menus, title, width, the views, the editor and its
// edits, drops, held selections and the sending tools.
#include "tests/app/window/WindowFixture.h"

class WindowTest : public WindowFixture {
    Q_OBJECT

private slots:
    // No other widget has a tooltip; the keys in them show in the platform's notation.
    void everyTooltipShowsItsKeysNatively()
    {
        TerminalControls& c = window_->controls();
        const std::map<const Control*, QString> tips = {
            {&c.sendButton, "Send Data (Tx)   " + native("Ctrl+Return")},
            {&c.sendTF, "Insert data to be sent (Tx) here"},
            {&c.recieveTF, "Recieved data (Rx) text box"},
            {&c.addNonPrint, "Add a non-printable value   " + native("Ctrl+Shift+Return")},
            {&c.nonPrintTF, "Insert a non-printable value"},
            {&c.addLineButton, "Add 'Line Feed' character   " + native("Ctrl+L")},
            {&c.addTabButton, "Add 'Tab' character   " + native("Ctrl+T")},
            {&c.addNullButton, "Add 'Null' character   " + native("Ctrl+N")},
            {&c.addCRtrnButton, "Add 'Carriage return' character   " + native("Ctrl+R")},
            {&c.clrRecvButton, "Clear recieve buffer"},
            {&c.clrSendButton, "Clear send buffer"},
            {&c.devicePU, "Serial device to use"},
            {&c.refreshButton, "Look for serial devices again   F5"},
            {&c.baudRatePU, "Speed of the line, in bits per second"},
            {&c.packetPU, "Parity, data bits and stop bits"},
            {&c.flowPU, "How each end tells the other to pause"},
            {&c.readToggle, "Read from the device, or close it   " + native("Ctrl+Shift+R")},
            {&c.viewFilter, "Show received bytes as text, text with escapes, decimal or hexadecimal   " + native("Ctrl+1")
                                + " to " + native("Ctrl+4")},
        };
        std::size_t shown = 0;
        for (QWidget* widget : window_->findChildren<QWidget*>()) {
            if (const Control* model = modelOf(widget)) {
                const auto tip = tips.find(model);
                QCOMPARE(widget->toolTip(), tip == tips.end() ? QString() : tip->second);
                shown += tip != tips.end();
            }
        }
        QCOMPARE(shown, tips.size());
    }

    // Alt+letter opens its menu or focuses what its caption names; every letter names one thing.
    void altWithALetterOpensItsMenuOrFocusesItsField()
    {
        for (const auto& [key, title] : {std::pair{Qt::Key_F, "File"}, {Qt::Key_V, "View"}}) {
            QTest::keyClick(window_->sendEditor(), key, Qt::AltModifier);
            QAction* active = window_->menuBar()->activeAction();
            QVERIFY2(active && active->text().remove('&') == title && active->menu()->isVisible(), title);
            active->menu()->close();
        }
        QTest::keyClick(window_->sendEditor(), Qt::Key_A, Qt::AltModifier);
        QCOMPARE(QApplication::focusWidget(), widgetOf(window_, window_->controls().nonPrintTF));
        QStringList letters;
        for (QAction* menu : window_->menuBar()->actions())
            letters << QKeySequence::mnemonic(menu->text()).toString();
        for (QLabel* caption : window_->findChildren<QLabel*>()) {
            if (caption->buddy() && caption->text().contains('&'))
                letters << QKeySequence::mnemonic(caption->text()).toString();
        }
        QCOMPARE(letters.size(), 11);
        QCOMPARE(QSet<QString>(letters.begin(), letters.end()).size(), letters.size());
    }

    void theTitleNamesTheDeviceAndItsSettings()
    {
        QCOMPARE(window_->windowTitle(), QString::fromStdString(enabledName() + " - 9600 none-8-1 None"));
    }

    // Port > Start Reading follows the toggle, and the View menu checks the view shown; both
    // choose what they name.
    void theMenusFollowTheirControlsAndChooseWhatTheyName()
    {
        QAction* start = item(window_, "Port", "Start Reading");
        QVERIFY(start);
        choose(window_->controls().readToggle, 1);
        QCOMPARE(start->text().remove('&'), QStringLiteral("Stop Reading"));
        start->trigger();
        QVERIFY(!window_->document().isReading());
        QCOMPARE(start->text().remove('&'), QStringLiteral("Start Reading"));
        window_->controls().readToggle.setSelectedSegment(1); // as the document does when a chosen device opens
        QCOMPARE(start->text().remove('&'), QStringLiteral("Stop Reading"));

        const auto checked = [&] {
            QStringList on;
            for (const QString& view : QStringList{"Text", "Mixed", "Decimal", "Hexadecimal"}) {
                if (item(window_, "View", view)->isChecked())
                    on << view;
            }
            return on;
        };
        QCOMPARE(checked(), QStringList{"Text"});
        choose(window_->controls().viewFilter, 3);
        QCOMPARE(checked(), QStringList{"Hexadecimal"});
        item(window_, "View", "Mixed")->trigger();
        QCOMPARE(window_->controls().viewFilter.selectedSegment(), 1);
        QCOMPARE(checked(), QStringList{"Mixed"});
    }

    // Nothing squeezed or outside the window at 640 wide, where two windows share a 1280-pixel
    // screen; a long status ends in "…" and neither widens nor grows it.
    void fitsWithoutClipping()
    {
        const QSize size(640, 500);
        window_->resize(size);
        QTRY_COMPARE(window_->size(), size);
        window_->controls().nonPrintTF.setStringValue(std::string(60, 'x') + " " + std::string(60, 'y'));
        window_->controls().addNonPrint.sendAction();
        const QString status = QString::fromStdString(window_->document().statusText());
        QLabel* shown = nullptr;
        for (QLabel* label : window_->findChildren<QLabel*>())
            shown = label->toolTip() == status ? label : shown;
        QVERIFY(shown);
        QTRY_VERIFY(shown->text().endsWith(QChar(0x2026)));
        QCOMPARE(window_->size(), size);
        for (QWidget* widget : window_->findChildren<QWidget*>()) {
            if (!widget->isVisible() || widget->isWindow())
                continue;
            // What a layout may not go below: the minimum set on the widget, else its hint.
            const QSize least(widget->minimumWidth() > 0 ? widget->minimumWidth() : widget->minimumSizeHint().width(),
                              widget->minimumHeight() > 0 ? widget->minimumHeight() : widget->minimumSizeHint().height());
            const QString name = widget->metaObject()->className() + (" " + widget->toolTip());
            QVERIFY2(widget->width() >= least.width() && widget->height() >= least.height(), qPrintable(name + " squeezed"));
            QVERIFY2(window_->rect().contains(QRect(widget->mapTo(window_, QPoint(0, 0)), widget->size())),
                     qPrintable(name + " outside the window"));
        }
    }

    void aLineFeedsEscapeEndsItsLineUnlessTheViewMenuSaysOtherwise()
    {
        TextViewWidget* received = receiveLines();
        QVERIFY(received);
        QCOMPARE(received->textLayout().lineCount(), std::size_t{81});
        QCOMPARE(received->textLayout().line(1).start, std::size_t{10}); // after "line\13\10"
        QAction* lineFeeds = item(window_, "View", "Break Lines After Line Feeds");
        QVERIFY(lineFeeds && lineFeeds->isChecked());
        lineFeeds->trigger();
        QVERIFY(received->textLayout().line(1).start != 10);
        lineFeeds->trigger();
    }

    // Checked on the widget, which holds what the model only asks for.
    void scrolledUpTheViewHoldsAndTheStatusBarSaysWhy()
    {
        TextViewWidget* received = receiveLines();
        QVERIFY(received);
        received->setFocus();
        QTest::keyClick(received, Qt::Key_PageUp);
        QVERIFY(statusText().contains("Paused at your position"));
        QTest::keyClick(received, Qt::Key_End, Qt::ControlModifier);
        QVERIFY(!statusText().contains("Paused"));
    }

    // No event loop runs between the keys, just as when they arrive in one burst.
    void keysInTheEditorAndTheValuesFieldActTheMomentTheyArePressedInTheOrderTyped()
    {
        choose(window_->controls().readToggle, 1);
        TextEditorWidget* editor = window_->sendEditor();
        editor->setFocus();
        for (const auto& [key, modifier] : {std::pair{Qt::Key_A, Qt::NoModifier}, {Qt::Key_L, Qt::ControlModifier},
                                            {Qt::Key_B, Qt::NoModifier}, {Qt::Key_R, Qt::ControlModifier},
                                            {Qt::Key_C, Qt::NoModifier}})
            QTest::keyClick(editor, key, modifier);
        QElapsedTimer sending;
        sending.start();
        QTest::keyClick(editor, Qt::Key_Return, Qt::ControlModifier);
        QCOMPARE(farEnd().readMaster(5, 10s), std::string("a\nb\rc"));
        // Well under the 0.1 s tick a late send would wait for, with room for a loaded machine.
        QVERIFY2(sending.nsecsElapsed() < 50'000'000, qPrintable(QString::number(sending.nsecsElapsed() / 1e6) + " ms"));
        QVERIFY(window_->controls().sendTF.string().empty());
        QVERIFY(editor->hasFocus());
        // The values field takes the same keys.
        auto* values = widgetOf<TextFieldWidget>(window_, window_->controls().nonPrintTF);
        values->setFocus();
        QTest::keyClicks(values, "65 66");
        QTest::keyClick(values, Qt::Key_Return, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(values->text(), QString());
        QTest::keyClick(values, Qt::Key_T, Qt::ControlModifier);
        QTest::keyClick(values, Qt::Key_N, Qt::ControlModifier);
        QTest::keyClick(values, Qt::Key_Return, Qt::ControlModifier);
        QCOMPARE(farEnd().readMaster(4, 10s), std::string("AB\t\0", 4));
    }

    void newWindowOpensASecondWindowOnTheSameDevices()
    {
        QCOMPARE(item(window_, "File", "New Window")->shortcut(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_N));
        item(window_, "File", "New Window")->trigger();
        QList<MyDocumentWindow*> windows;
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* candidate = dynamic_cast<MyDocumentWindow*>(widget))
                windows.append(candidate);
        }
        QCOMPARE(windows.size(), 2);
        QPointer<MyDocumentWindow> second = windows.front() == window_ ? windows.back() : windows.front();
        QVERIFY(second->isVisible());
        QCOMPARE(second->controls().devicePU.itemTitles(), window_->controls().devicePU.itemTitles());
        delete second.data();
    }

    void closeWindowClosesItsPort()
    {
        choose(window_->controls().readToggle, 1);
        Device* device = window_->document().getEnabledDevice();
        QVERIFY(device->getPortHandle() != -1);
        QTest::keyClick(window_->sendEditor(), Qt::Key_W, Qt::ControlModifier);
        QTRY_COMPARE(device->getPortHandle(), -1);
        QTRY_VERIFY(window_.isNull());
    }

    void aWindowMadeWithoutAListUsesTheProcesssOwn()
    {
        DeviceList::sharedDeviceList() = DeviceList({dev_.path(), sys_.path(), sys_.path() + "/by-id"});
        MyDocumentWindow window;
        std::vector<std::string> names = window.controls().devicePU.itemTitles();
        std::sort(names.begin(), names.end());
        QCOMPARE(names, (std::vector<std::string>{"cu.a", "cu.b"}));
    }

    void theEditMenuActsOnTheValuesField()
    {
        auto* values = widgetOf<TextFieldWidget>(window_, window_->controls().nonPrintTF);
        values->setFocus();
        QTest::keyClicks(values, "27 91");
        QVERIFY(edit("Select All") && edit("Cut"));
        QCOMPARE(values->text(), QString());
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("27 91"));
        QVERIFY(edit("Undo"));
        QCOMPARE(values->text(), QStringLiteral("27 91"));
    }

    // A paste into it is the text widgets test's. A copy with nothing selected keeps the
    // clipboard and says so.
    void theReceiveViewOnlyGivesItsTextAway()
    {
        TerminalControls& c = window_->controls();
        choose(c.readToggle, 1);
        farEnd().writeMaster("received");
        QTRY_COMPARE(c.recieveTF.string(), u"received");
        QApplication::clipboard()->setText(QStringLiteral("before"));
        window_->receiveView()->copy();
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("before"));
        QVERIFY(statusText().contains("Nothing is selected"));
        window_->receiveView()->setFocus();
        QVERIFY(!edit("Cut") && !edit("Paste"));
        QVERIFY(edit("Select All") && edit("Copy"));
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("received"));
    }

    // Opened with Alt+E, the menu bar takes the focus; the items still act on the editor.
    void theEditMenuOpenedByItsKeyActsOnTheEditor()
    {
        QApplication::clipboard()->setText(QStringLiteral("pasted"));
        window_->sendEditor()->setFocus();
        QTest::keyClick(window_->sendEditor(), Qt::Key_E, Qt::AltModifier);
        QVERIFY(window_->menuBar()->activeAction());
        QVERIFY(edit("Paste"));
        QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Escape);
        QCOMPARE(window_->controls().sendTF.string(), u"pasted");
    }

    // Undo belongs to the document (its steps are the transmit composer test's); here the keys
    // and the menu: a character added by its button and a list of values are a step each.
    void undoAndRedoKeysStepThroughTheEditorsEdits()
    {
        TerminalControls& c = window_->controls();
        TextEditorWidget* editor = window_->sendEditor();
        editor->setFocus();
        QTest::keyClicks(editor, "hello");
        QTest::mouseClick(widgetOf(window_, c.addLineButton), Qt::LeftButton);
        c.nonPrintTF.setStringValue("1, 2, 3");
        c.addNonPrint.sendAction();
        QTest::keyClick(editor, Qt::Key_Z, Qt::ControlModifier);
        QTest::keyClick(editor, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(c.sendTF.string(), u"hello");
        QList<QKeySequence> redoKeys = QKeySequence::keyBindings(QKeySequence::Redo);
#ifndef Q_OS_MACOS
        redoKeys.prepend(QKeySequence(Qt::CTRL | Qt::Key_Y));
#endif
        QTest::keySequence(editor, redoKeys.first());
        QTest::keySequence(editor, redoKeys.last());
        QCOMPARE(c.sendTF.string(), u"hello\n\1\2\3");
        // Once all is undone, the Edit menu offers only Redo.
        while (editor->isUndoAvailable())
            QTest::keyClick(editor, Qt::Key_Z, Qt::ControlModifier);
        QTest::keyClick(editor, Qt::Key_E, Qt::AltModifier);
        QVERIFY(!item(window_, "Edit", "Undo")->isEnabled() && item(window_, "Edit", "Redo")->isEnabled());
        QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Escape);
    }

    // Dropped text goes in where it falls. A character beyond one byte never gets into the
    // Latin-1 editor, typed, dropped or pasted, and the status bar says why.
    void aDropLandsWhereItFallsAndWhatCannotBeSentIsRefused()
    {
        TextEditorWidget* editor = window_->sendEditor();
        const AttributedText before = window_->controls().sendTF.textStorage();
        QTest::sendKeyEvent(QTest::Click, editor, Qt::Key_unknown, QStringLiteral("\u4e2d"), Qt::NoModifier);
        QVERIFY(window_->controls().sendTF.textStorage() == before);
        QVERIFY(statusText().startsWith(QStringLiteral("\u4e2d (U+4E2D) cannot be sent as one byte")));
        QTest::keyClicks(editor, "ad");
        const auto drop = [editor](const QString& text, std::size_t position) {
            QMimeData data;
            data.setText(text);
            const QPointF at = editor->cellRect(position).center();
            QDragEnterEvent enter(at.toPoint(), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, {});
            QCoreApplication::sendEvent(editor->viewport(), &enter);
            QDropEvent dropped(at, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, {});
            QCoreApplication::sendEvent(editor->viewport(), &dropped);
            return enter.isAccepted() && dropped.isAccepted() && dropped.dropAction() == Qt::CopyAction;
        };
        QVERIFY(drop(QStringLiteral("bc"), 1));
        QCOMPARE(window_->controls().sendTF.string(), u"abcd");
        QCOMPARE(editor->caretPosition(), std::size_t{3});

        QVERIFY(!drop(QStringLiteral("x\u20ac"), 2));
        QCOMPARE(window_->controls().sendTF.string(), u"abcd");
        const QString refusal = statusText();
        QVERIFY(refusal.startsWith(QStringLiteral("\u20ac (U+20AC) cannot be sent as one byte")));
        QCOMPARE(editor->caretPosition(), std::size_t{3});
        window_->document().tellUser("");
        QApplication::clipboard()->setText(QStringLiteral("x\u20ac"));
        editor->paste();
        QCOMPARE(window_->controls().sendTF.string(), u"abcd");
        QCOMPARE(statusText(), refusal);
    }

    // A stream rolls the oldest bytes off the buffer; a selection on them must stay to copy.
    void aSelectionMadeWhileDataFlowsStaysUntilTheUserLetsGo()
    {
        choose(window_->controls().readToggle, 1);
        farEnd().writeMaster("keep this line\r\n");
        TextViewWidget* view = window_->receiveView();
        QTRY_VERIFY(view->model().string().find(u"keep") != std::u16string::npos);
        view->selectAll();
        QVERIFY(view->model().isHeld());
        const QString selected = view->selectedText();
        for (int i = 0; i < 20; ++i)
            farEnd().writeMaster(std::string(200, 'n') + "\r\n"); // twice the buffer
        QTest::qWait(500);
        QCOMPARE(view->selectedText(), selected);
        view->copy();
        QCOMPARE(QApplication::clipboard()->text(), selected);
    }

    // Ctrl+Up and Ctrl+Down are the history's, not a move of the editor's caret: no standard
    // key of the platform (a move, a selection, an edit) is bound to them.
    void ctrlUpBringsBackTheLastMessageAndCtrlDownWhatWasTyped()
    {
        auto* tools = window_->findChild<SendTools*>();
        for (int standard = QKeySequence::HelpContents; standard <= QKeySequence::Cancel; ++standard)
            for (const QKeySequence& bound : QKeySequence::keyBindings(static_cast<QKeySequence::StandardKey>(standard)))
                QVERIFY2(bound != tools->previousMessageItem()->shortcut() && bound != tools->nextMessageItem()->shortcut(),
                         qPrintable(bound.toString()));
        choose(window_->controls().readToggle, 1);
        TextEditorWidget* editor = window_->sendEditor();
        editor->setFocus();
        QTest::keyClicks(editor, "ATI");
        QTest::keyClick(editor, Qt::Key_Return, Qt::ControlModifier);
        QCOMPARE(farEnd().readMaster(3, 1s), std::string("ATI"));
        QTest::keyClicks(editor, "AT");
        QTest::keySequence(editor, tools->previousMessageItem()->shortcut());
        QCOMPARE(window_->controls().sendTF.string(), u"ATI");
        QTest::keySequence(editor, tools->nextMessageItem()->shortcut());
        QCOMPARE(window_->controls().sendTF.string(), u"AT");
    }

    // A function key sends its macro; one with no macro keeps its own job.
    void aFunctionKeySendsItsMacroWithTheEnding()
    {
        choose(window_->controls().readToggle, 1);
        window_->document().sender().replaceMacros({{"reset", "ATZ"}});
        window_->document().sender().setLineEnding(LineEnding::Cr);
        window_->sendEditor()->setFocus();
        QTest::keyClick(window_->sendEditor(), Qt::Key_F1);
        QCOMPARE(farEnd().readMaster(4, 1s), std::string("ATZ\r"));
        QTest::keyClick(window_->sendEditor(), Qt::Key_F2);
        QCOMPARE(farEnd().readMaster(1, 100ms), std::string());
        QVERIFY(window_->findChild<SendTools*>()->endingLabel()->text().contains("CR"));
    }

};

QTEST_MAIN(WindowTest)
#include "WindowTest.moc"
