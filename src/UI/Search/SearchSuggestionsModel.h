#pragma once

#include <QAbstractListModel>
#include <QList>
#include <QString>
#include <QtQml/qqmlregistration.h>

#include <optional>

#include "Models/SearchResult.h"
#include "SearchSuggestion.h"

// The rows of the search dropdown: one server answer laid out as the
// sections "Artists", "Albums" and "Songs" (each only when it has rows), in
// one flat list whose row numbers run on across the sections. Each row's
// "section" role names its section, so the list draws a header above a
// section's first row. Also keeps the keyboard highlight and the height the
// list needs.
class SearchSuggestionsModel : public QAbstractListModel
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Owned by the search dropdown controller.")

    Q_PROPERTY(int count READ count NOTIFY resultsChanged)
    Q_PROPERTY(bool hasResults READ hasResults NOTIFY resultsChanged)
    Q_PROPERTY(qreal contentHeight READ contentHeight NOTIFY resultsChanged)
    Q_PROPERTY(QString query READ query NOTIFY resultsChanged)
    Q_PROPERTY(QString noMatchesText READ noMatchesText NOTIFY resultsChanged)
    // Bumps with every new answer: the list scrolls back to its top.
    Q_PROPERTY(int version READ version NOTIFY resultsChanged)
    Q_PROPERTY(int highlighted READ highlighted WRITE setHighlighted NOTIFY highlightedChanged)
    // Bumps with every arrow key, even one that could not move the
    // highlight: the list brings the highlighted row to its centre.
    Q_PROPERTY(int scrollTick READ scrollTick NOTIFY scrollTickChanged)

public:
    static constexpr qreal VerticalPadding = 6;
    static constexpr qreal HeaderHeight = 42;
    static constexpr qreal RowHeight = 46;
    static constexpr qreal MaximumHeight = 620;
    static constexpr qreal NoResultsHeight = 76;

    enum Role {
        RowIdRole = Qt::UserRole + 1,
        TitleRole,
        SubtitleRole,
        CoverArtRole,
        IsRoundRole,
        SectionRole,
        HighlightedRole,
    };
    Q_ENUM(Role)

    struct Row
    {
        int id = 0;
        SearchSuggestion pick;
        std::optional<QString> coverArt;
        QString title;
        std::optional<QString> subtitle;
        bool isRound = false;
    };

    struct Section
    {
        QString id;
        QList<Row> rows;
    };

    explicit SearchSuggestionsModel(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

    // Replaces every row with the sections of `result`; the highlight goes
    // back to the first row.
    void update(const SearchResult &result, const QString &query);
    // The row with that id, if any.
    std::optional<Row> row(int id) const;
    // One row down (+1) or up (-1), stopping at the first and the last row.
    Q_INVOKABLE void moveHighlight(int step);

    const QList<Section> &sections() const { return m_sections; }
    int count() const { return int(m_rows.size()); }
    bool hasResults() const { return !m_sections.isEmpty(); }
    qreal contentHeight() const { return m_contentHeight; }
    QString query() const { return m_query; }
    QString noMatchesText() const;
    int version() const { return m_version; }
    int highlighted() const { return m_highlighted; }
    // The pointer resting on a row highlights it without scrolling.
    void setHighlighted(int id);
    int scrollTick() const { return m_scrollTick; }

Q_SIGNALS:
    void resultsChanged();
    void highlightedChanged();
    void scrollTickChanged();

private:
    QList<Section> m_sections;
    QList<Row> m_rows; // the sections' rows in order: a row's id is its index
    qreal m_contentHeight = 0;
    QString m_query;
    int m_version = 0;
    int m_highlighted = 0;
    int m_scrollTick = 0;
};
