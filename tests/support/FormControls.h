#pragma once

// The main window's controls, found by their object names as a user's tools
// find them: the window keeps its members to itself.
#include <QAction>
#include <QComboBox>
#include <QFrame>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <QtGlobal>

#include "TImage.h"
#include "TRichEdit.h"
#include "TScrollBox.h"

template <class Control>
Control* Find(const QObject& form, const char* name)
{
    auto* control = form.findChild<Control*>(QString::fromLatin1(name));
    if (!control)
        qFatal("the window has no %s named %s", Control::staticMetaObject.className(), name);
    return control;
}
