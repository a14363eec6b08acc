#pragma once

#include "Albums/AlbumCollectionViewModel.h"
#include "Models/AlbumListType.h"

// One album row of the home page: the first 20 albums of one server ordering
// as a horizontal strip of album cells, its header opening that ordering's
// full grid. The albums, loading flag and error are the library's home row
// state; the row fetches nothing itself except through "Retry".
class AlbumCarouselRowModel : public AlbumCollectionViewModel
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Owned by the home page's view model.")

    Q_PROPERTY(QString listType READ listTypeName CONSTANT)
    Q_PROPERTY(Display display READ display NOTIFY stateChanged)
    Q_PROPERTY(QString errorMessage READ errorMessage NOTIFY stateChanged)

public:
    // What the row shows: the header and its cards, nothing, a spinner
    // alone, or the header over the error line.
    enum class Display { Albums, Hidden, Loading, Failed };
    Q_ENUM(Display)

    static constexpr int MaxCards = 20;

    AlbumCarouselRowModel(PageContext *context, AlbumListType listType, QString title);

    QString title() const override { return m_title; }
    AlbumListType listType() const { return m_listType; }
    QString listTypeName() const;
    Display display() const { return m_display; }
    QString errorMessage() const { return m_errorMessage; }

    // The header: the full grid of this ordering.
    Q_INVOKABLE void openGrid() const;
    // Starts the row's first load again.
    Q_INVOKABLE void retry() const;

    // The pager, over the strip's scroll geometry.
    Q_INVOKABLE bool canScrollLeft(double offset) const;
    Q_INVOKABLE bool canScrollRight(double offset, double contentWidth, double containerWidth) const;
    // The content offset a page step of `by` (-1 or 1) scrolls to, or -1
    // when the strip stays. `step` is a card's width and the gap after it.
    Q_INVOKABLE double pageOffset(
        int by, double step, double offset, double contentWidth, double containerWidth) const;
    // The content offset a sideways wheel turn or swipe moves the strip to.
    Q_INVOKABLE double wheelOffset(double angleDelta, double pixelDelta, double offset, double contentWidth,
        double containerWidth) const;

Q_SIGNALS:
    void stateChanged();

private:
    void sync();

    AlbumListType m_listType;
    QString m_title;
    Display m_display = Display::Hidden;
    QString m_errorMessage;
};
