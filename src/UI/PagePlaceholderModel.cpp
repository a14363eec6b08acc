#include "PagePlaceholderModel.h"

PagePlaceholderModel::PagePlaceholderModel(const QString &pageName, const PageRoute &route, QObject *parent)
    : QObject(parent)
    , m_pageName(pageName)
    , m_playlistId(route.playlistId)
{
    if (route.grid) {
        m_title = route.grid->title;
        m_listType = AlbumListTypes::rawValue(route.grid->listType);
    } else if (route.album) {
        m_title = route.album->name;
        m_recordId = route.album->id;
    } else if (route.artist) {
        m_title = route.artist->name;
        m_recordId = route.artist->id;
    }
}
