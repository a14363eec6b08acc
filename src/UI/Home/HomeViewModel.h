#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QtQml/qqmlregistration.h>

#include "AlbumCarouselRowModel.h"
#include "FeaturedCarouselViewModel.h"

class PageContext;

// The home page: the featured carousel above four album rows ("Recently
// Played", "Recently Added", "Most Played", "Random Albums"). Each time the
// page is shown, and again after a library refresh, it makes sure the liked
// items and every row's first page are loading; rows already cached are not
// fetched again.
class HomeViewModel : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Built by the page table.")

    Q_PROPERTY(FeaturedCarouselViewModel *featured READ featured CONSTANT)
    // The four AlbumCarouselRowModels, top to bottom.
    Q_PROPERTY(QList<QObject *> rowModels READ rowModels CONSTANT)

public:
    explicit HomeViewModel(
        PageContext *context, int advanceInterval = FeaturedCarouselViewModel::AdvanceInterval);

    FeaturedCarouselViewModel *featured() const { return m_featured; }
    QList<AlbumCarouselRowModel *> rows() const { return m_rows; }
    QList<QObject *> rowModels() const { return {m_rows.cbegin(), m_rows.cend()}; }

    // The page came on screen.
    Q_INVOKABLE void appear();

private:
    void epochChanged();

    QPointer<PageContext> m_context;
    FeaturedCarouselViewModel *m_featured;
    QList<AlbumCarouselRowModel *> m_rows;
    bool m_shown = false;
};
