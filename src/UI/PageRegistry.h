#pragma once

#include <QObject>
#include <QString>
#include <QUrl>

#include "PageRoute.h"

class PageContext;

// The one table of pages: for each kind, its QML file and the factory that
// builds its view model from the page's context and its route's arguments.
// See PageContext.h for the contract every page follows.
namespace PageRegistry {

// Builds a page's view model; the context becomes its parent.
using Factory = QObject *(*)(PageContext *context, const PageRoute &route);

struct Page
{
    PageKind kind;
    const char *qmlFile; // under the module's folder, e.g. "Albums/AlbumGridView.qml"
    Factory createViewModel;
};

const Page &page(PageKind kind);
// The QML file of a kind, as the module's resource address.
QUrl source(PageKind kind);
// The view model for the context's route, built by its kind's factory.
QObject *createViewModel(PageContext *context);

} // namespace PageRegistry
