#include "Guarded.h"

#include <QApplication>
#include <QMessageBox>
#include <QString>

void ShowException(const std::exception& error)
{
    QMessageBox::critical(QApplication::activeWindow(), QString(), QString::fromUtf8(error.what()));
}
