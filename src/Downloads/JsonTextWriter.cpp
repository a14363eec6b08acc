#include "JsonTextWriter.h"

#include <QChar>

#include <algorithm>
#include <charconv>
#include <iterator>
#include <utility>

namespace {

const char Hex[] = "0123456789abcdef";

// Worst case per UTF-16 unit: a control character as "\u00XX".
constexpr qsizetype MaxBytesPerUnit = 6;

char *writeUtf8(char *p, char32_t c)
{
    if (c < 0x800) {
        *p++ = char(0xc0 | (c >> 6));
    } else if (c < 0x10000) {
        *p++ = char(0xe0 | (c >> 12));
        *p++ = char(0x80 | ((c >> 6) & 0x3f));
    } else {
        *p++ = char(0xf0 | (c >> 18));
        *p++ = char(0x80 | ((c >> 12) & 0x3f));
        *p++ = char(0x80 | ((c >> 6) & 0x3f));
    }
    *p++ = char(0x80 | (c & 0x3f));
    return p;
}

char *writeEscape(char *p, char16_t c)
{
    *p++ = '\\';
    switch (c) {
    case u'"':
        *p++ = '"';
        break;
    case u'\\':
        *p++ = '\\';
        break;
    case u'\b':
        *p++ = 'b';
        break;
    case u'\f':
        *p++ = 'f';
        break;
    case u'\n':
        *p++ = 'n';
        break;
    case u'\r':
        *p++ = 'r';
        break;
    case u'\t':
        *p++ = 't';
        break;
    default:
        *p++ = 'u';
        *p++ = '0';
        *p++ = '0';
        *p++ = Hex[(c >> 4) & 0xf];
        *p++ = Hex[c & 0xf];
    }
    return p;
}

} // namespace

JsonTextWriter::JsonTextWriter(qsizetype expectedSize)
{
    grow(std::max<qsizetype>(expectedSize, 64));
}

void JsonTextWriter::grow(qsizetype bytes)
{
    const qsizetype used = m_pos ? m_pos - m_out.constData() : 0;
    m_out.resize(std::max(used + bytes, m_out.size() * 2));
    m_pos = m_out.data() + used;
    m_end = m_out.data() + m_out.size();
}

void JsonTextWriter::separate()
{
    if (m_afterKey) {
        m_afterKey = false;
        return;
    }
    if (m_empty.isEmpty())
        return;
    if (!m_empty.last())
        put(',');
    m_empty.last() = false;
}

void JsonTextWriter::open(char bracket)
{
    separate();
    put(bracket);
    m_empty.append(true);
}

void JsonTextWriter::close(char bracket)
{
    put(bracket);
    m_empty.removeLast();
}

void JsonTextWriter::beginObject()
{
    open('{');
}

void JsonTextWriter::endObject()
{
    close('}');
}

void JsonTextWriter::beginArray()
{
    open('[');
}

void JsonTextWriter::endArray()
{
    close(']');
}

void JsonTextWriter::key(QStringView name)
{
    separate();
    writeString(name);
    put(':');
    m_afterKey = true;
}

void JsonTextWriter::key(QLatin1StringView name)
{
    separate();
    writeLatin1(name);
    put(':');
    m_afterKey = true;
}

void JsonTextWriter::value(QStringView text)
{
    separate();
    writeString(text);
}

void JsonTextWriter::value(qint64 number)
{
    separate();
    constexpr qsizetype MaxDigits = 20;
    reserve(MaxDigits);
    m_pos = std::to_chars(m_pos, m_end, number).ptr;
}

QByteArray JsonTextWriter::take()
{
    m_out.resize(m_pos ? m_pos - m_out.constData() : 0);
    m_empty.clear();
    m_afterKey = false;
    m_pos = m_end = nullptr;
    return std::exchange(m_out, QByteArray());
}

// Written through a raw pointer into room made beforehand: a call per byte
// would cost more than the encoding itself.
void JsonTextWriter::writeString(QStringView text)
{
    reserve(2 + text.size() * MaxBytesPerUnit);
    char *p = m_pos;
    *p++ = '"';
    const char16_t *s = text.utf16();
    const char16_t *end = s + text.size();
    while (s != end) {
        const char16_t c = *s++;
        if (c < 0x80) {
            if (c >= 0x20 && c != u'"' && c != u'\\')
                *p++ = char(c);
            else
                p = writeEscape(p, c);
        } else if (QChar::isHighSurrogate(c) && s != end && QChar::isLowSurrogate(*s)) {
            p = writeUtf8(p, QChar::surrogateToUcs4(c, *s++));
        } else if (QChar::isSurrogate(c)) {
            // Half a pair is no character: written as the replacement character.
            p = writeUtf8(p, QChar::ReplacementCharacter);
        } else {
            p = writeUtf8(p, c);
        }
    }
    *p++ = '"';
    m_pos = p;
}

void JsonTextWriter::writeLatin1(QLatin1StringView text)
{
    reserve(2 + text.size() * MaxBytesPerUnit);
    char *p = m_pos;
    *p++ = '"';
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c >= 0x80)
            p = writeUtf8(p, c);
        else if (c >= 0x20 && c != '"' && c != '\\')
            *p++ = char(c);
        else
            p = writeEscape(p, c);
    }
    *p++ = '"';
    m_pos = p;
}
