#pragma once

#include "AlbumCollectionViewModel.h"
#include "AlbumGridDestination.h"

// One server ordering of the albums as a grid that grows by a page each time
// its last tile comes into view. The albums, paging, end and errors are the
// library store's; this follows them and appends new albums to the model.
class AlbumGridViewModel : public AlbumCollectionViewModel
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Built by the page table.")

    // The server ordering shown ("newest" …).
    Q_PROPERTY(QString listType READ listTypeName CONSTANT)
    Q_PROPERTY(AlbumCollectionViewModel::Overlay overlay READ overlay NOTIFY stateChanged)
    Q_PROPERTY(QString errorMessage READ errorMessage NOTIFY stateChanged)
    Q_PROPERTY(bool isLoading READ isLoading NOTIFY stateChanged)

public:
    AlbumGridViewModel(PageContext *context, AlbumGridDestination destination);

    QString title() const override { return m_destination.title; }
    AlbumListType listType() const { return m_destination.listType; }
    QString listTypeName() const { return AlbumListTypes::rawValue(m_destination.listType); }
    Overlay overlay() const;
    QString errorMessage() const { return m_errorMessage; }
    bool isLoading() const { return m_loading; }

    // The page came on screen: the liked ids for the menus, and the first
    // page when the list holds nothing yet. Runs again after a refresh.
    Q_INVOKABLE void appear();
    // The tile of `row` came into view: the last one asks for the next page.
    void tileAppeared(int row) override;

Q_SIGNALS:
    void stateChanged();

private:
    void sync();
    void epochChanged();

    AlbumGridDestination m_destination;
    bool m_loading = false;
    bool m_reachedEnd = false;
    QString m_errorMessage;
    bool m_shown = false;
    int m_epoch = -1;
};
