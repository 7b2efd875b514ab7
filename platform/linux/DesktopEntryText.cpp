#include "platform/linux/DesktopEntryText.h"

#include <QByteArrayList>
#include <algorithm>

namespace tavlin::DesktopEntryText {

namespace {

const QByteArray mainGroup = QByteArrayLiteral("[Desktop Entry]");

// Calls `visit(lineIndex, key, value)` for each key line of the main group.
template <typename Visit> void forEachMainKey(const QByteArrayList& lines, Visit visit)
{
    bool inMain = false;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QByteArray line = lines[i].trimmed();
        if (line.startsWith('[')) {
            inMain = line == mainGroup;
            continue;
        }
        const qsizetype equals = line.indexOf('=');
        if (!inMain || line.startsWith('#') || equals < 0)
            continue;
        visit(i, line.left(equals).trimmed(), line.mid(equals + 1).trimmed());
    }
}

} // namespace

QByteArray execArgument(const QString& argument)
{
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    QString text = argument;
    text.replace(QLatin1Char('%'), QStringLiteral("%%"));
    const bool quote =
        std::any_of(text.cbegin(), text.cend(), [](QChar c) { return reserved.contains(c); });
    if (quote) {
        QString quoted;
        for (const QChar c : std::as_const(text)) {
            if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') ||
                c == QLatin1Char('\\'))
                quoted += QLatin1Char('\\');
            quoted += c;
        }
        text = QLatin1Char('"') + quoted + QLatin1Char('"');
    }
    // The whole line is a string value as well, whose own escapes apply after the above.
    text.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    text.replace(QLatin1Char('\n'), QStringLiteral("\\n"));
    text.replace(QLatin1Char('\t'), QStringLiteral("\\t"));
    text.replace(QLatin1Char('\r'), QStringLiteral("\\r"));
    return text.toUtf8();
}

bool hasMainGroup(const QByteArray& contents)
{
    const QByteArrayList lines = contents.split('\n');
    return std::any_of(lines.cbegin(), lines.cend(),
                       [](const QByteArray& line) { return line.trimmed() == mainGroup; });
}

std::optional<QByteArray> value(const QByteArray& contents, const QByteArray& key)
{
    std::optional<QByteArray> found;
    forEachMainKey(contents.split('\n'), [&](qsizetype, const QByteArray& k, const QByteArray& v) {
        if (k == key)
            found = v; // the last one counts, as in the common readers
    });
    return found;
}

std::optional<bool> boolean(const QByteArray& contents, const QByteArray& key)
{
    const std::optional<QByteArray> text = value(contents, key);
    if (text == "true" || text == "1")
        return true;
    if (text == "false" || text == "0")
        return false;
    return std::nullopt;
}

QByteArray withValue(const QByteArray& contents, const QByteArray& key, const QByteArray& value)
{
    QByteArrayList lines = contents.split('\n');
    const QByteArray line = key + '=' + value;
    bool replaced = false;
    forEachMainKey(lines, [&](qsizetype i, const QByteArray& k, const QByteArray&) {
        if (k == key) {
            lines[i] = line;
            replaced = true;
        }
    });
    if (!replaced) {
        qsizetype header = 0;
        while (header < lines.size() && lines[header].trimmed() != mainGroup)
            ++header;
        if (header == lines.size()) {
            lines.prepend(mainGroup);
            header = 0;
        }
        lines.insert(header + 1, line);
    }
    return lines.join('\n');
}

} // namespace tavlin::DesktopEntryText
