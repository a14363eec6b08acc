#pragma once

#include <QObject>
#include <QtQml/qqml.h>

#include "App/AppState.h"
#include "Downloads/DownloadStore.h"
#include "Library/LibraryStore.h"
#include "Playback/PlayerController.h"
#include "Updates/UpdaterModel.h"

// Objects of the core library that QML reads by type.
struct AppStateForeign
{
    Q_GADGET
    QML_FOREIGN(AppState)
    QML_NAMED_ELEMENT(AppState)
    QML_UNCREATABLE("Created by the application.")
};

struct LibraryStoreForeign
{
    Q_GADGET
    QML_FOREIGN(LibraryStore)
    QML_NAMED_ELEMENT(LibraryStore)
    QML_UNCREATABLE("Built by the session.")
};

struct DownloadStoreForeign
{
    Q_GADGET
    QML_FOREIGN(DownloadStore)
    QML_NAMED_ELEMENT(DownloadStore)
    QML_UNCREATABLE("Built by the session.")
};

struct PlayerControllerForeign
{
    Q_GADGET
    QML_FOREIGN(PlayerController)
    QML_NAMED_ELEMENT(PlayerController)
    QML_UNCREATABLE("Created by the application.")
};

struct UpdaterModelForeign
{
    Q_GADGET
    QML_FOREIGN(UpdaterModel)
    QML_NAMED_ELEMENT(UpdaterModel)
    QML_UNCREATABLE("Created by the application.")
};
