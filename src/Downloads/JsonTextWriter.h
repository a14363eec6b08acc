#pragma once

#include <QByteArray>
#include <QLatin1StringView>
#include <QStringView>
#include <QVarLengthArray>

// Compact JSON text written straight into one buffer. For large documents:
// a QJsonObject keeps its keys sorted, so building a big one member by member
// costs time that grows faster than its size, and the tree is built only to
// be thrown away after encoding. Commas are placed by the writer.
class JsonTextWriter
{
public:
    // `expectedSize` reserves room up front, so that the buffer grows rarely.
    explicit JsonTextWriter(qsizetype expectedSize = 0);

    void beginObject();
    void endObject();
    void beginArray();
    void endArray();
    // The name of the next member of the open object.
    void key(QStringView name);
    void key(QLatin1StringView name);
    void value(QStringView text);
    void value(qint64 number);

    // The text written so far; the writer is empty afterwards.
    QByteArray take();

private:
    // Makes room for `bytes` more at m_pos.
    void reserve(qsizetype bytes)
    {
        if (m_end - m_pos < bytes)
            grow(bytes);
    }
    void grow(qsizetype bytes);
    void put(char c)
    {
        reserve(1);
        *m_pos++ = c;
    }
    void separate();
    void open(char bracket);
    void close(char bracket);
    void writeString(QStringView text);
    void writeLatin1(QLatin1StringView text);

    // Written through m_pos up to m_end; m_out's size is its room, and
    // take() cuts it to what was written.
    QByteArray m_out;
    char *m_pos = nullptr;
    char *m_end = nullptr;
    // Per open object or array: whether it has no element yet.
    QVarLengthArray<bool, 8> m_empty;
    bool m_afterKey = false;
};
