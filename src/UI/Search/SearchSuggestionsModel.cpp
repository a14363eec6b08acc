#include "SearchSuggestionsModel.h"

#include <algorithm>

using namespace Qt::StringLiterals;

SearchSuggestionsModel::SearchSuggestionsModel(QObject *parent)
    : QAbstractListModel(parent)
{ }

int SearchSuggestionsModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : count();
}

QVariant SearchSuggestionsModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const Row &row = m_rows.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case TitleRole:
        return row.title;
    case RowIdRole:
        return row.id;
    case SubtitleRole:
        return row.subtitle.value_or(QString());
    case CoverArtRole:
        return row.coverArt.value_or(QString());
    case IsRoundRole:
        return row.isRound;
    case SectionRole:
        switch (row.pick.kind()) {
        case SearchSuggestion::Kind::Artist:
            return u"Artists"_s;
        case SearchSuggestion::Kind::Album:
            return u"Albums"_s;
        case SearchSuggestion::Kind::Song:
            return u"Songs"_s;
        }
        return {};
    case HighlightedRole:
        return row.id == m_highlighted;
    default:
        return {};
    }
}

QHash<int, QByteArray> SearchSuggestionsModel::roleNames() const
{
    return {
        {RowIdRole, "rowId"},
        {TitleRole, "title"},
        {SubtitleRole, "subtitle"},
        {CoverArtRole, "coverArt"},
        {IsRoundRole, "isRound"},
        {SectionRole, "section"},
        {HighlightedRole, "highlighted"},
    };
}

void SearchSuggestionsModel::update(const SearchResult &result, const QString &query)
{
    QList<Section> sections;
    int counter = 0;
    auto addSection = [&](const QString &id, const auto &records, auto makeRow) {
        if (!records || records->isEmpty())
            return;
        Section section {id, {}};
        for (const auto &record : *records) {
            Row row = makeRow(record);
            row.id = counter++;
            section.rows.append(std::move(row));
        }
        sections.append(std::move(section));
    };
    addSection(u"Artists"_s, result.artist, [](const Artist &artist) {
        return Row {0, SearchSuggestion::artist(artist), artist.coverArt, artist.name, std::nullopt, true};
    });
    addSection(u"Albums"_s, result.album, [](const Album &album) {
        return Row {0, SearchSuggestion::album(album), album.coverArt, album.name, album.artist, false};
    });
    addSection(u"Songs"_s, result.song, [](const Song &song) {
        return Row {0, SearchSuggestion::song(song), song.coverArt, song.title, song.artist, false};
    });

    // A new answer replaces every row at once.
    beginResetModel();
    m_query = query;
    m_sections = std::move(sections);
    m_rows.clear();
    qreal height = 2 * VerticalPadding;
    for (const Section &section : std::as_const(m_sections)) {
        m_rows.append(section.rows);
        height += HeaderHeight + RowHeight * section.rows.size();
    }
    m_contentHeight = m_sections.isEmpty() ? NoResultsHeight : std::min(height, MaximumHeight);
    const bool highlightMoved = m_highlighted != 0;
    m_highlighted = 0;
    ++m_version;
    endResetModel();
    Q_EMIT resultsChanged();
    if (highlightMoved)
        Q_EMIT highlightedChanged();
}

std::optional<SearchSuggestionsModel::Row> SearchSuggestionsModel::row(int id) const
{
    if (id < 0 || id >= count())
        return std::nullopt;
    return m_rows.at(id);
}

void SearchSuggestionsModel::moveHighlight(int step)
{
    if (count() < 1)
        return;
    setHighlighted(std::clamp(m_highlighted + step, 0, count() - 1));
    ++m_scrollTick;
    Q_EMIT scrollTickChanged();
}

QString SearchSuggestionsModel::noMatchesText() const
{
    return u"No matches for \u201C"_s + m_query + u"\u201D"_s;
}

void SearchSuggestionsModel::setHighlighted(int id)
{
    if (m_highlighted == id)
        return;
    const int before = m_highlighted;
    m_highlighted = id;
    for (int changed : {before, id}) {
        if (changed >= 0 && changed < count()) {
            const QModelIndex at = index(changed);
            Q_EMIT dataChanged(at, at, {HighlightedRole});
        }
    }
    Q_EMIT highlightedChanged();
}
