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

bool FileCommands::bringLogToFront()
{
    if (m_context.activePageIndex() == communicationPageIndex)
        return true;
    return m_context.setActivePage(communicationPageIndex);
}

QString FileCommands::chooseFile(bool save, const QString& extension)
{
    DialogRequest request;
    request.save = save;
    request.filter = QStringLiteral("Pliki Konfig (*.%1)").arg(extension);
    if (save)
        request.initialName = QStringLiteral("*.") + extension;
    return m_chooseFile(request);
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
    if (!bringLogToFront())
        return;
    const QString path = chooseFile(false, QStringLiteral("nst"));
    if (path.isEmpty())
        return;
    const FileStatus status =
        loadSettingsFile(path, m_context.data(), m_context.labels(), m_context.isConnected(),
                         [this](const QString& line) { m_context.logMessage(line); });
    if (status != FileStatus::Ok) {
        m_showMessage(settingsFileMessage(status));
        return;
    }
    m_context.addSettingsPages();
}

void FileCommands::saveSettings()
{
    if (!canSaveSettings() || !bringLogToFront())
        return;
    const QString path = chooseFile(true, QStringLiteral("nst"));
    if (path.isEmpty())
        return;
    const FileStatus status =
        saveSettingsFile(path, m_context.data(), m_context.labels().labelFileCode(),
                         [this](const QString& line) { m_context.logMessage(line); });
    if (status != FileStatus::Ok)
        m_showMessage(settingsFileMessage(status));
}

void FileCommands::loadEvents()
{
    if (!canLoadEvents() || !bringLogToFront())
        return;
    const QString path = chooseFile(false, QStringLiteral("rzd"));
    if (path.isEmpty())
        return;
    const FileStatus status = loadEventsFile(
        path, m_context.data(), [this](const QString& line) { m_context.logMessage(line); });
    if (status != FileStatus::Ok) {
        m_showMessage(eventsFileMessage(status));
        return;
    }
    m_context.addEventsPage();
    m_context.activateEventsPage();
}

void FileCommands::saveEvents()
{
    // Leaving the events page for the log stores its edited signal names first.
    if (!canSaveEvents() || !bringLogToFront())
        return;
    const QString path = chooseFile(true, QStringLiteral("rzd"));
    if (path.isEmpty())
        return;
    const FileStatus status = saveEventsFile(
        path, m_context.data(), [this](const QString& line) { m_context.logMessage(line); });
    if (status != FileStatus::Ok)
        m_showMessage(eventsFileMessage(status));
}
