#pragma once

#include "AlbumCollectionViewModel.h"

// The liked albums as a grid, in the store's order; a like or unlike anywhere
// inserts or removes its tile at once.
class LikedAlbumsViewModel : public AlbumCollectionViewModel
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Built by the page table.")

    Q_PROPERTY(AlbumCollectionViewModel::Overlay overlay READ overlay NOTIFY stateChanged)
    Q_PROPERTY(QString errorMessage READ errorMessage NOTIFY stateChanged)

public:
    explicit LikedAlbumsViewModel(PageContext *context);

    QString title() const override;
    Overlay overlay() const;
    QString errorMessage() const;

    // The page came on screen (or the library was refreshed while it is).
    Q_INVOKABLE void appear();

Q_SIGNALS:
    void stateChanged();

private:
    void sync();

    bool m_shown = false;
};
