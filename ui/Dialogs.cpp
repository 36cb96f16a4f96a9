#include "Dialogs.h"

#include "core/OrnivalError.h"

#include <QApplication>
#include <QMessageBox>

QString withFullStop(const QString& text)
{
    if (!text.isEmpty() && text.back().unicode() > u'.')
        return text + QLatin1Char('.');
    return text;
}

std::unique_ptr<QMessageBox> makeMessageBox(QWidget* parent, MessageKind kind, const QString& text)
{
    return std::make_unique<QMessageBox>(kind == MessageKind::Error ? QMessageBox::Critical : QMessageBox::NoIcon,
                                         QStringLiteral("Ornival d'oiseaux"), text, QMessageBox::Ok, parent);
}

MessagePresenter& messagePresenter()
{
    static MessagePresenter presenter = [](QWidget* parent, MessageKind kind, const QString& text) {
        makeMessageBox(parent, kind, text)->exec();
    };
    return presenter;
}

void showPlainMessage(QWidget* parent, const QString& text)
{
    messagePresenter()(parent, MessageKind::Plain, text);
}

void showErrorBox(QWidget* parent, const QString& text)
{
    messagePresenter()(parent, MessageKind::Error, withFullStop(text));
}

bool guarded(QWidget* parent, const std::function<void()>& work)
{
    try {
        work();
        return true;
    } catch (const OrnivalError& error) {
        showErrorBox(parent, error.text());
    } catch (const std::exception& error) {
        showErrorBox(parent, QString::fromLocal8Bit(error.what()));
    }
    return false;
}

QTranslator* installQtFrenchTexts(const QString& folder)
{
    auto translator = std::make_unique<QTranslator>(QCoreApplication::instance());
    if (!translator->load(QStringLiteral("qtbase_fr"), folder) || !QCoreApplication::installTranslator(translator.get()))
        return nullptr;
    return translator.release();
}

WaitCursor::WaitCursor()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

WaitCursor::~WaitCursor()
{
    QApplication::restoreOverrideCursor();
}
