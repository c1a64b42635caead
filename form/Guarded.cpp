#include "Guarded.h"

#include <QApplication>
#include <QMessageBox>
#include <QString>

#include "RenderError.h"

namespace {

QString Translated(const char* context, const char* source)
{
    return QCoreApplication::translate(context, source);
}

}  // namespace

QString MessageOf(const std::exception& error)
{
    if (const auto* fault = dynamic_cast<const RenderError*>(&error))
        return RenderErrorMessage(fault->fault, Translated);
    return QString::fromUtf8(error.what());
}

void ShowException(const std::exception& error)
{
    QMessageBox::critical(QApplication::activeWindow(), QString(), MessageOf(error));
}
