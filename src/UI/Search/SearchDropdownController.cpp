#include "SearchDropdownController.h"

#include <QCoroTimer>
#include <QTextBoundaryFinder>

#include <algorithm>

namespace {

constexpr qreal MinimumWidth = 380;
constexpr qreal MinimumHeight = 40;
constexpr qreal GapBelowField = 6;
constexpr qreal LeftMargin = 10;
constexpr qreal BottomMargin = 12;

} // namespace

SearchDropdownController::SearchDropdownController(QObject *parent)
    : QObject(parent)
    , m_model(new SearchSuggestionsModel(this))
{ }

SearchDropdownController::~SearchDropdownController()
{
    m_fetchTask.cancel();
}

void SearchDropdownController::handle(const QString &query)
{
    m_fetchTask.cancel();
    const QString text = trimmed(query);
    if (characterCount(text) < 2) {
        dismiss();
        return;
    }
    if (!m_client)
        return;
    m_fetchTask = TaskHandle::create();
    fetch(QPointer(this), *m_client, text, m_fetchTask, m_debounce);
}

void SearchDropdownController::dismiss()
{
    m_fetchTask.cancel();
    setOpen(false);
}

void SearchDropdownController::pick(int rowId)
{
    const std::optional<SearchSuggestionsModel::Row> row = m_model->row(rowId);
    if (!row)
        return;
    dismiss();
    const SearchSuggestion &suggestion = row->pick;
    switch (suggestion.kind()) {
    case SearchSuggestion::Kind::Artist:
        Q_EMIT openArtistRequested(suggestion.artistRecord());
        break;
    case SearchSuggestion::Kind::Album:
        Q_EMIT openAlbumRequested(suggestion.albumRecord());
        break;
    case SearchSuggestion::Kind::Song:
        if (const std::optional<Album> album = SearchSuggestion::albumOf(suggestion.songRecord()))
            Q_EMIT openAlbumRequested(*album);
        break;
    }
    // Last, so the window clears its text once the page is on its way.
    Q_EMIT picked(suggestion);
}

bool SearchDropdownController::handleKey(int key)
{
    // Keys belong to the dropdown only while the user types in its field:
    // Return in a dialog must never pick a search result.
    if (!m_fieldFocused || !m_isOpen)
        return false;
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // Taken even when there is no row to pick ("No Results").
        pick(m_model->highlighted());
        return true;
    case Qt::Key_Escape:
        dismiss();
        return false;
    case Qt::Key_Down:
        m_model->moveHighlight(1);
        return true;
    case Qt::Key_Up:
        m_model->moveHighlight(-1);
        return true;
    default:
        return false;
    }
}

void SearchDropdownController::fieldFocusChanged(bool focused)
{
    m_fieldFocused = focused;
    if (!focused)
        dismiss();
}

void SearchDropdownController::windowActiveChanged(bool active)
{
    if (!active)
        dismiss();
}

QRectF SearchDropdownController::panelGeometry(const QRectF &field, const QSizeF &window, qreal contentHeight)
{
    const qreal width = std::max(field.width(), MinimumWidth);
    const qreal top = field.bottom() + GapBelowField;
    const qreal available = window.height() - BottomMargin - top;
    const qreal height = std::max(std::min(contentHeight, available), MinimumHeight);
    const qreal x = std::max(field.right() - width, LeftMargin);
    return {x, top, width, height};
}

int SearchDropdownController::characterCount(const QString &text)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    int count = 0;
    while (finder.toNextBoundary() > 0)
        ++count;
    return count;
}

QString SearchDropdownController::trimmed(const QString &text)
{
    auto blank = [](QChar c) { return c == u' ' || c == u'\t'; };
    qsizetype start = 0;
    qsizetype end = text.size();
    while (start < end && blank(text.at(start)))
        ++start;
    while (end > start && blank(text.at(end - 1)))
        --end;
    return text.mid(start, end - start);
}

void SearchDropdownController::setOpen(bool open)
{
    if (m_isOpen == open)
        return;
    m_isOpen = open;
    Q_EMIT isOpenChanged();
}

QCoro::Task<> SearchDropdownController::fetch(QPointer<SearchDropdownController> self, SubsonicClient client,
    QString query, TaskHandle handle, std::chrono::milliseconds debounce)
{
    co_await QCoro::sleepFor(debounce);
    // A keystroke that came before the pause ended sends nothing: typing a
    // word asks the server once.
    if (handle.isCancelled() || !self)
        co_return;
    std::optional<SearchResult> result;
    try {
        SearchResult answer = co_await client.search(query, ArtistCount, AlbumCount, SongCount, 0, handle);
        result = std::move(answer);
    } catch (...) {
        // A failed search changes nothing: the panel keeps what it showed.
        co_return;
    }
    if (handle.isCancelled() || !self)
        co_return;
    self->m_model->update(*result, query);
    self->setOpen(true);
}
