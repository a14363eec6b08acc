#pragma once

#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

#include "PageRoute.h"

// The view model of a page that is not built yet: the page's name and the
// arguments it was opened with, as plain texts.
class PagePlaceholderModel : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Built by the page table.")

    Q_PROPERTY(QString pageName READ pageName CONSTANT)
    // The grid's title, or the album's or artist's name.
    Q_PROPERTY(QString title READ title CONSTANT)
    // The grid's list type ("newest" …).
    Q_PROPERTY(QString listType READ listType CONSTANT)
    Q_PROPERTY(QString playlistId READ playlistId CONSTANT)
    // The id of the album or artist shown.
    Q_PROPERTY(QString recordId READ recordId CONSTANT)

public:
    PagePlaceholderModel(const QString &pageName, const PageRoute &route, QObject *parent = nullptr);

    QString pageName() const { return m_pageName; }
    QString title() const { return m_title; }
    QString listType() const { return m_listType; }
    QString playlistId() const { return m_playlistId; }
    QString recordId() const { return m_recordId; }

private:
    QString m_pageName;
    QString m_title;
    QString m_listType;
    QString m_playlistId;
    QString m_recordId;
};
