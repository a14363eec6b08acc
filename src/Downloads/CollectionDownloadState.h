#pragma once

#include <QMetaType>
#include <QObject>

// How much of one collection is on disk.
class CollectionDownloadState
{
    Q_GADGET
    Q_PROPERTY(Kind kind READ kind CONSTANT)
    Q_PROPERTY(int downloaded READ downloaded CONSTANT)
    Q_PROPERTY(int total READ total CONSTANT)

public:
    enum class Kind { None, Complete, Partial };
    Q_ENUM(Kind)

    CollectionDownloadState() = default;

    static CollectionDownloadState none() { return {}; }
    static CollectionDownloadState complete() { return CollectionDownloadState(Kind::Complete, 0, 0); }
    static CollectionDownloadState partial(int downloaded, int total)
    {
        return CollectionDownloadState(Kind::Partial, downloaded, total);
    }

    Kind kind() const { return m_kind; }
    // The numbers of a partial state; 0 for the other cases.
    int downloaded() const { return m_downloaded; }
    int total() const { return m_total; }

    friend bool operator==(const CollectionDownloadState &, const CollectionDownloadState &) = default;

private:
    CollectionDownloadState(Kind kind, int downloaded, int total)
        : m_kind(kind)
        , m_downloaded(downloaded)
        , m_total(total)
    { }

    Kind m_kind = Kind::None;
    int m_downloaded = 0;
    int m_total = 0;
};

Q_DECLARE_METATYPE(CollectionDownloadState)
