#include "toolkit/qt/nativeKeyText.h"

#include <QKeySequence>
#include <QStringList>

#include <algorithm>

namespace {

// In portable text Ctrl is the Command key on a Mac, and Meta the Control key.
QString modifierName(QChar glyph)
{
    switch (glyph.unicode()) {
    case 0x2318: return QStringLiteral("Ctrl+");  // ⌘
    case 0x21E7: return QStringLiteral("Shift+"); // ⇧
    case 0x2325: return QStringLiteral("Alt+");   // ⌥
    case 0x2303: return QStringLiteral("Meta+");  // ⌃
    default: return {};
    }
}

QString keyName(const QString& key)
{
    if (key.size() != 1) {
        // F5, Esc and the like are names already; "L," is a key and a comma, no key at all.
        const bool name = std::all_of(key.begin(), key.end(), [](QChar c) { return c.isLetterOrNumber(); });
        return name ? key : QString();
    }
    switch (key.front().unicode()) {
    case 0x21B5: case 0x21A9: case 0x2324: return QStringLiteral("Return"); // ↵ ↩ ⌤
    case 0x21E5: return QStringLiteral("Tab");                                // ⇥
    case 0x232B: return QStringLiteral("Backspace");                          // ⌫
    case 0x2326: return QStringLiteral("Del");                                // ⌦
    case 0x238B: return QStringLiteral("Esc");                                // ⎋
    case 0x2190: return QStringLiteral("Left");
    case 0x2191: return QStringLiteral("Up");
    case 0x2192: return QStringLiteral("Right");
    case 0x2193: return QStringLiteral("Down");
    default: return key;
    }
}

// The word in native notation, or the word itself when it is not a key with modifiers.
QString nativeWord(const QString& word)
{
    QString portable;
    qsizetype at = 0;
    for (; at < word.size(); ++at) {
        const QString modifier = modifierName(word[at]);
        if (modifier.isEmpty())
            break;
        portable += modifier;
    }
    if (portable.isEmpty() || at == word.size())
        return word;
    const QString key = keyName(word.mid(at));
    if (key.isEmpty())
        return word;
    portable += key;
    const QKeySequence keys = QKeySequence::fromString(portable, QKeySequence::PortableText);
    if (keys.count() != 1 || keys[0].key() == Qt::Key_unknown)
        return word;
    return keys.toString(QKeySequence::NativeText);
}

} // namespace

QString nativeKeyText(const std::string& text)
{
    // Split on single spaces so the runs of spaces that set the keys apart survive as they are.
    QStringList words = QString::fromStdString(text).split(QLatin1Char(' '));
    for (QString& word : words)
        word = nativeWord(word);
    return words.join(QLatin1Char(' '));
}
