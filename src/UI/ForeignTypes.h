#pragma once

#include <QObject>
#include <QtQml/qqml.h>

#include "Updates/UpdaterModel.h"

// Objects of the core library that QML reads by type.
struct UpdaterModelForeign
{
    Q_GADGET
    QML_FOREIGN(UpdaterModel)
    QML_NAMED_ELEMENT(UpdaterModel)
    QML_UNCREATABLE("Created by the application.")
};
