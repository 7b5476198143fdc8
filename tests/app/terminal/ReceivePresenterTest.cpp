#include "app/terminal/ReceivePresenter.h"

#include "app/text/ViewType.h"
#include "app/text/filterString.h"
#include "devices/Device.h"
#include "toolkit/TextView.h"

#include <gtest/gtest.h>

namespace {

class ReceivePresenterTest : public testing::Test {
protected:
    void append(std::string_view bytes) { device.appendRecvBuf(bytes.data(), bytes.size()); }
    void show(int mode = ViewTypeText, TextEncoding encoding = TextEncodingLatin1)
    {
        presenter.show(&device, mode, encoding);
    }

    TextView view;
    ReceivePresenter presenter{view};
    Device device{"cu.a"};
};

TEST_F(ReceivePresenterTest, TheBufferShowsInEveryViewOneCharacterAByteAndScrolledToItsEnd)
{
    append(std::string("A\0\xFF\r~ ", 6));
    for (const int mode : {1, 2, 3, 0}) {
        show(mode);
        EXPECT_TRUE(view.textStorage() == filterString(std::u16string(u"A\0\u00FF\r~ ", 6), mode)) << mode;
    }
    EXPECT_EQ(view.scrollRequest().location, view.length());
}

TEST_F(ReceivePresenterTest, TheViewIsStaleUntilShownAndAgainOnceTheBufferMovesOnOrItIsForgotten)
{
    EXPECT_TRUE(presenter.isStale(&device));
    show();
    EXPECT_FALSE(presenter.isStale(&device));
    append("x");
    EXPECT_TRUE(presenter.isStale(&device));
    EXPECT_TRUE(presenter.hasNewBytes(&device));
    Device other("cu.b");
    EXPECT_FALSE(presenter.hasNewBytes(&other) || presenter.hasNewBytes(nullptr)) << "only the device shown has news";
    show();
    presenter.forget();
    EXPECT_TRUE(presenter.isStale(&device));
}

TEST_F(ReceivePresenterTest, ASelectionStaysOnItsBytesAsOlderOnesFallOffTheFront)
{
    append(std::string(Device::maxRecvChars, 'a'));
    show();
    view.setSelectedRange({2000, 5});
    append("0123456789");
    show();
    EXPECT_EQ(view.selectedRange(), (TextRange{1990, 5}));
}

TEST_F(ReceivePresenterTest, Utf8ASequenceSplitAcrossReadsShowsOnceWholeAndOneCutAtTheFrontNeverAsAnotherCharacter)
{
    append("\xE2\x82");
    show(ViewTypeText, TextEncodingUtf8);
    EXPECT_EQ(view.string(), u"\uFFFD\uFFFD");
    append("\xAC");
    show(ViewTypeText, TextEncodingUtf8);
    EXPECT_EQ(view.string(), u"\u20AC");
    // A chunk longer than the buffer leaves its last 2047 bytes: the first euro loses two of its three.
    std::string euros;
    while (euros.size() <= Device::maxRecvChars)
        euros += "\xE2\x82\xAC";
    append(euros);
    show(ViewTypeText, TextEncodingUtf8);
    EXPECT_EQ(view.string().substr(0, 2), u"\uFFFD\u20AC");
    show(ViewTypeMixed, TextEncodingUtf8);
    EXPECT_EQ(view.string().substr(0, 5), u"\\172\u20AC");
}

} // namespace
