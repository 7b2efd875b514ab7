#include "platform/x11/FehBackgroundScript.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace tavlin {

namespace {

// The script is a line or two; anything far larger is not one feh wrote.
constexpr qint64 maxScriptSize = 64 * 1024;

// feh options whose value is the next word, so that value is not taken for a file.
const QStringList optionsWithValue{
    QStringLiteral("--image-bg"), QStringLiteral("-g"),      QStringLiteral("--geometry"),
    QStringLiteral("--font"),     QStringLiteral("--title"),
};

// The words of each command of a shell script, with quotes, escapes and comments resolved the
// way the shell would (no expansions: feh quotes every name it writes).
QList<QStringList> commandsOf(const QString& text)
{
    QList<QStringList> commands;
    QStringList words;
    QString word;
    bool inWord = false;
    const auto endWord = [&] {
        if (inWord)
            words.append(word);
        word.clear();
        inWord = false;
    };
    const auto endCommand = [&] {
        endWord();
        if (!words.isEmpty())
            commands.append(words);
        words.clear();
    };
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const QChar ch = text[i];
        if (ch == u'\'') {
            inWord = true;
            qsizetype end = text.indexOf(u'\'', i + 1);
            if (end < 0)
                end = size;
            word += text.mid(i + 1, end - i - 1);
            i = end;
        } else if (ch == u'"') {
            inWord = true;
            for (++i; i < size && text[i] != u'"'; ++i) {
                if (text[i] == u'\\' && i + 1 < size &&
                    QStringView(u"\"\\$`").contains(text[i + 1]))
                    ++i;
                word += text[i];
            }
        } else if (ch == u'\\') {
            inWord = true;
            if (++i < size && text[i] != u'\n')
                word += text[i];
        } else if (ch == u'#' && !inWord) {
            const qsizetype end = text.indexOf(u'\n', i);
            i = (end < 0 ? size : end) - 1;
        } else if (ch == u'\n' || ch == u';' || ch == u'&' || ch == u'|') {
            endCommand();
        } else if (ch.isSpace()) {
            endWord();
        } else {
            inWord = true;
            word += ch;
        }
    }
    endCommand();
    return commands;
}

} // namespace

FehBackgroundScript::FehBackgroundScript(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > maxScriptSize)
        return;
    const QString folder = QFileInfo(path).absolutePath();
    for (const QStringList& words : commandsOf(QString::fromUtf8(file.readAll()))) {
        readCommand(words, folder);
        if (!m_files.isEmpty())
            return;
    }
}

void FehBackgroundScript::readCommand(const QStringList& words, const QString& folder)
{
    qsizetype feh = 0;
    while (feh < words.size() && QFileInfo(words[feh]).fileName() != u"feh")
        ++feh;
    bool setsBackground = false;
    bool optionsEnded = false;
    QStringList files;
    for (qsizetype i = feh + 1; i < words.size(); ++i) {
        const QString& word = words[i];
        if (optionsEnded || !word.startsWith(u'-')) {
            files.append(QDir(folder).absoluteFilePath(word));
        } else if (word == u"--") {
            optionsEnded = true;
        } else if (word.startsWith(u"--bg-")) {
            setsBackground = true;
        } else if (word == u"--no-xinerama") {
            m_spansScreens = true;
        } else if (optionsWithValue.contains(word)) {
            ++i;
        }
    }
    if (setsBackground)
        m_files = files;
    else
        m_spansScreens = false;
}

} // namespace tavlin
