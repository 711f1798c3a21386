#include "app/filecommands.h"

#include "files/eventsfile.h"
#include "files/settingsfile.h"
#include "model/devicedata.h"
#include "model/labelstore.h"
#include "pagekit/appcontext.h"
#include "pagekit/messagebox.h"

#include <QFileDialog>

namespace {

constexpr int communicationPageIndex = 1;

} // namespace

FileCommands::FileCommands(AppContext& context, QWidget* dialogParent)
    : m_context(context), m_chooseFile([dialogParent](const DialogRequest& request) {
          return runFileDialog(dialogParent, request);
      }),
      m_showMessage([dialogParent](const QString& text) { showWarning(dialogParent, text); })
{
}

QString FileCommands::runFileDialog(QWidget* parent, const DialogRequest& request)
{
    // No default suffix: a name typed without an extension is used as typed.
    if (request.save)
        return QFileDialog::getSaveFileName(parent, QString(), request.initialName, request.filter);
    return QFileDialog::getOpenFileName(parent, QString(), QString(), request.filter);
}

void FileCommands::run(Command command)
{
    switch (command) {
    case Command::OpenSettings:
        loadSettings();
        break;
    case Command::SaveSettings:
        saveSettings();
        break;
    case Command::OpenEvents:
        loadEvents();
        break;
    case Command::SaveEvents:
        saveEvents();
        break;
    default:
        break;
    }
}

QString FileCommands::askPath(bool save, const QString& extension)
{
    // Leaving the events page for the log stores its edited signal names first.
    const bool logInFront = m_context.activePageIndex() == communicationPageIndex ||
                            m_context.setActivePage(communicationPageIndex);
    if (!logInFront)
        return {};
    DialogRequest request;
    request.save = save;
    request.filter = QStringLiteral("Pliki Konfig (*.%1)").arg(extension);
    if (save)
        request.initialName = QStringLiteral("*.") + extension;
    return m_chooseFile(request);
}

bool FileCommands::succeeded(FileStatus status, QString (*message)(FileStatus))
{
    if (status == FileStatus::Ok)
        return true;
    m_showMessage(message(status));
    return false;
}

LogSink FileCommands::toLog()
{
    return [this](const QString& line) { m_context.logMessage(line); };
}

bool FileCommands::canSaveSettings() const
{
    return m_context.data().settingsValid;
}

bool FileCommands::canLoadEvents() const
{
    return !m_context.readingEvents();
}

bool FileCommands::canSaveEvents() const
{
    return !m_context.readingEvents();
}

void FileCommands::loadSettings()
{
    const QString path = askPath(false, QStringLiteral("nst"));
    if (path.isEmpty())
        return;
    if (succeeded(loadSettingsFile(path, m_context.data(), m_context.labels(),
                                   m_context.isConnected(), toLog()),
                  settingsFileMessage))
        m_context.addSettingsPages();
}

void FileCommands::saveSettings()
{
    const QString path = canSaveSettings() ? askPath(true, QStringLiteral("nst")) : QString();
    if (path.isEmpty())
        return;
    succeeded(saveSettingsFile(path, m_context.data(), m_context.labels().labelFileCode(), toLog()),
              settingsFileMessage);
}

void FileCommands::loadEvents()
{
    const QString path = canLoadEvents() ? askPath(false, QStringLiteral("rzd")) : QString();
    if (path.isEmpty())
        return;
    if (succeeded(loadEventsFile(path, m_context.data(), toLog()), eventsFileMessage)) {
        m_context.addEventsPage();
        m_context.activateEventsPage();
    }
}

void FileCommands::saveEvents()
{
    const QString path = canSaveEvents() ? askPath(true, QStringLiteral("rzd")) : QString();
    if (path.isEmpty())
        return;
    succeeded(saveEventsFile(path, m_context.data(), toLog()), eventsFileMessage);
}
