#pragma once

#include <QCoroTask>
#include <QObject>
#include <QPointer>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QtQml/qqmlregistration.h>

#include <chrono>
#include <optional>

#include "Models/Album.h"
#include "Models/Artist.h"
#include "Networking/SubsonicClient.h"
#include "SearchSuggestion.h"
#include "SearchSuggestionsModel.h"
#include "Support/TaskHandle.h"

// The toolbar search field's dropdown, one per main window: it waits for a
// pause in the typing, asks the server, fills the suggestions model and opens
// the panel under the field; it moves the highlight and picks rows from the
// keys the field forwards, and closes the panel on a pick, on Escape, when
// the text gets too short, when the field loses the focus or the window
// stops being active.
class SearchDropdownController : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Built by the main window's view model.")

    Q_PROPERTY(SearchSuggestionsModel *model READ model CONSTANT)
    Q_PROPERTY(bool isOpen READ isOpen NOTIFY isOpenChanged)

public:
    static constexpr std::chrono::milliseconds DefaultDebounce {200};
    static constexpr int ArtistCount = 5;
    static constexpr int AlbumCount = 7;
    static constexpr int SongCount = 10;

    explicit SearchDropdownController(QObject *parent = nullptr);
    ~SearchDropdownController() override;

    // No search is sent and no panel opens until a client is set.
    void setClient(const SubsonicClient &client) { m_client = client; }
    void setDebounce(std::chrono::milliseconds debounce) { m_debounce = debounce; }

    SearchSuggestionsModel *model() const { return m_model; }
    bool isOpen() const { return m_isOpen; }

    // Every change of the search text. Spaces and tabs around it do not
    // count; fewer than two characters close the panel.
    Q_INVOKABLE void handle(const QString &query);
    // Closes the panel and drops the search in flight. The rows stay until
    // the next answer replaces them.
    Q_INVOKABLE void dismiss();
    // A row clicked, or Return on the highlighted one.
    Q_INVOKABLE void pick(int rowId);

    // A key pressed in the search field (a Qt::Key): tells whether the
    // dropdown took it. Only while the field has the focus and the panel is
    // open: Return and keypad Enter pick the highlighted row, the arrows move
    // the highlight; Escape closes the panel but still reaches the field.
    Q_INVOKABLE bool handleKey(int key);
    Q_INVOKABLE void fieldFocusChanged(bool focused);
    Q_INVOKABLE void windowActiveChanged(bool active);

    // Where the panel goes in the window, y growing down: right-aligned under
    // the field, 6 apart, at least 380 wide but never starting closer than
    // 10 to the window's left edge; as tall as its content allows above the
    // window's bottom margin of 12, and never under 40.
    Q_INVOKABLE static QRectF panelGeometry(const QRectF &field, const QSizeF &window, qreal contentHeight);

    // The number of user-perceived characters (grapheme clusters) of a text.
    static int characterCount(const QString &text);
    // Spaces and tabs trimmed from both ends; line breaks stay.
    static QString trimmed(const QString &text);

Q_SIGNALS:
    void isOpenChanged();
    // Every pick, after the panel closed and after the page it opens was
    // asked for; the window then clears the text.
    void picked(const SearchSuggestion &suggestion);
    void openArtistRequested(const Artist &artist);
    // An album, or the album of a song (built from the song's album fields).
    void openAlbumRequested(const Album &album);

private:
    void setOpen(bool open);
    static QCoro::Task<> fetch(QPointer<SearchDropdownController> self, SubsonicClient client, QString query,
        TaskHandle handle, std::chrono::milliseconds debounce);

    SearchSuggestionsModel *m_model;
    std::optional<SubsonicClient> m_client;
    std::chrono::milliseconds m_debounce = DefaultDebounce;
    TaskHandle m_fetchTask;
    bool m_isOpen = false;
    bool m_fieldFocused = false;
};
