#pragma once

#include "app/commands.h"
#include "files/filebytes.h"
#include "model/logsink.h"

#include <QString>
#include <functional>

class AppContext;
class QWidget;

// The menu commands that load and save settings files (*.nst) and events files (*.rzd).
// The file dialogs and message boxes go through two replaceable functions, so the
// commands run without a modal window in tests.
class FileCommands {
public:
    struct DialogRequest {
        bool save = false;
        QString filter;      // e.g. "Pliki Konfig (*.nst)"
        QString initialName; // empty for the open dialogs
    };
    // Returns the chosen path, or an empty string for Cancel.
    using FileChooser = std::function<QString(const DialogRequest&)>;
    using MessageShower = std::function<void(const QString&)>;

    // The context supplies the device data, its label files and the state of the link.
    FileCommands(AppContext& context, QWidget* dialogParent);

    void setFileChooser(FileChooser chooser) { m_chooseFile = std::move(chooser); }
    void setMessageShower(MessageShower shower) { m_showMessage = std::move(shower); }

    // One of the four file commands; others are ignored.
    void run(Command command);

    void loadSettings();
    void saveSettings();
    void loadEvents();
    void saveEvents();

    bool canSaveSettings() const;
    // A register half read from the controller is neither replaced nor saved.
    bool canLoadEvents() const;
    bool canSaveEvents() const;

    // The real dialog.
    static QString runFileDialog(QWidget* parent, const DialogRequest& request);

private:
    // Brings the log to the front, then asks for a file; empty when the page in front
    // refused to give way or the dialog was cancelled.
    QString askPath(bool save, const QString& extension);
    // Shows the message of a failed load or save.
    bool succeeded(FileStatus status, QString (*message)(FileStatus));
    LogSink toLog();

    AppContext& m_context;
    FileChooser m_chooseFile;
    MessageShower m_showMessage;
};
