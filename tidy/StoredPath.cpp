#include "tidy/StoredPath.h"

#include <algorithm>

namespace tavlin::StoredPath {

namespace {

// Length of the valid UTF-8 sequence starting at `i`, or 0 when the byte there does not start
// one. Overlong forms, surrogates and code points above U+10FFFF are not valid.
qsizetype utf8SequenceLength(const QByteArray& bytes, qsizetype i)
{
    const auto b0 = static_cast<unsigned char>(bytes[i]);
    const qsizetype left = bytes.size() - i;
    auto cont = [&](qsizetype k) {
        return k < left && (static_cast<unsigned char>(bytes[i + k]) & 0xC0) == 0x80;
    };
    if (b0 < 0x80)
        return 1;
    if (b0 >= 0xC2 && b0 <= 0xDF)
        return cont(1) ? 2 : 0;
    if (b0 >= 0xE0 && b0 <= 0xEF) {
        if (!cont(1) || !cont(2))
            return 0;
        const auto b1 = static_cast<unsigned char>(bytes[i + 1]);
        if ((b0 == 0xE0 && b1 < 0xA0) || (b0 == 0xED && b1 >= 0xA0))
            return 0;
        return 3;
    }
    if (b0 >= 0xF0 && b0 <= 0xF4) {
        if (!cont(1) || !cont(2) || !cont(3))
            return 0;
        const auto b1 = static_cast<unsigned char>(bytes[i + 1]);
        if ((b0 == 0xF0 && b1 < 0x90) || (b0 == 0xF4 && b1 >= 0x90))
            return 0;
        return 4;
    }
    return 0;
}

int hexValue(char16_t c)
{
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return -1;
}

bool isControl(char c)
{
    return static_cast<unsigned char>(c) < 0x20 || c == 0x7f;
}

QByteArray escaped(const QByteArray& path, bool controls)
{
    QByteArray out;
    out.reserve(path.size());
    for (qsizetype i = 0; i < path.size();) {
        const qsizetype n = utf8SequenceLength(path, i);
        if (n == 0 || (controls && isControl(path[i]))) {
            static constexpr char digits[] = "0123456789abcdef";
            const auto b = static_cast<unsigned char>(path[i]);
            out += "\\x";
            out += digits[b >> 4];
            out += digits[b & 0xF];
            ++i;
        } else if (path[i] == '\\') {
            out += "\\\\";
            ++i;
        } else {
            out.append(path.constData() + i, n);
            i += n;
        }
    }
    return out;
}

std::optional<QByteArray> unescaped(const QByteArray& utf8)
{
    QByteArray out;
    out.reserve(utf8.size());
    for (qsizetype i = 0; i < utf8.size(); ++i) {
        const char c = utf8[i];
        if (c == '\0')
            return std::nullopt;
        if (c != '\\') {
            out += c;
            continue;
        }
        if (i + 1 < utf8.size() && utf8[i + 1] == '\\') {
            out += '\\';
            ++i;
            continue;
        }
        if (i + 3 < utf8.size() && utf8[i + 1] == 'x') {
            const int hi = hexValue(char16_t(utf8[i + 2]));
            const int lo = hexValue(char16_t(utf8[i + 3]));
            // A NUL would cut the path short at the system call and name another item.
            if (hi >= 0 && lo >= 0 && hi + lo > 0) {
                out += static_cast<char>(hi * 16 + lo);
                i += 3;
                continue;
            }
        }
        return std::nullopt;
    }
    return out;
}

} // namespace

QString encode(const QByteArray& path)
{
    const bool plain = std::all_of(path.begin(), path.end(), [](char c) {
        return static_cast<unsigned char>(c) < 0x80 && c != '\\';
    });
    if (plain)
        return QString::fromLatin1(path);
    return QString::fromUtf8(escaped(path, false));
}

QByteArray encodeLine(const QByteArray& path)
{
    const bool plain = std::all_of(path.begin(), path.end(), [](char c) {
        return static_cast<unsigned char>(c) < 0x80 && c != '\\' && !isControl(c);
    });
    return plain ? path : escaped(path, true);
}

std::optional<QByteArray> decodeLine(const QByteArray& text)
{
    if (!text.contains('\\') && !text.contains('\0'))
        return text;
    return unescaped(text);
}

std::optional<QByteArray> decode(const QString& text)
{
    return unescaped(text.toUtf8());
}

} // namespace tavlin::StoredPath
