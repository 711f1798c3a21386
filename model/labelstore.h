#pragma once

#include "model/logsink.h"

#include <QObject>
#include <QString>

class DeviceData;

// The label area of the device data and the label file it comes from: the file is
// chosen by a code (the controller's firmware version byte or a settings file), looked
// for in one directory, and replaced by the built-in texts when missing or malformed.
class LabelStore : public QObject {
    Q_OBJECT

public:
    static constexpr int startCode = 20;

    LabelStore(DeviceData& data, QString directory, LogSink log, QObject* parent = nullptr);

    int labelFileCode() const { return m_code; }
    // The bare file name, or "domyślny" while the built-in texts are in use; empty before
    // the first code is set.
    QString labelFileName() const { return m_labelFileName; }
    QString directory() const { return m_directory; }
    // Full path of the file that the current code names.
    QString filePath() const;

    static QString fileNameForCode(int code);

    // The only way labels are (re)loaded. The same code does nothing; a code that names
    // the file already chosen only records the code, so unsaved edits stay.
    void setLabelFileCode(int code);
    // Replaces the label area from the current file; false (area unchanged) on failure.
    bool loadLabelFile();
    // Writes the whole label area under the current name; the old file stays intact
    // when the write fails.
    bool saveLabelFile();
    // Replaces the label texts by the built-in ones; afterwards the current label sets
    // are those of combinationIndex.
    void defaultFill();

signals:
    void labelFileNameChanged(const QString& name);

private:
    void setLabelFileName(const QString& name);
    void log(int stringId, const QString& suffix = {}) const;

    DeviceData& m_data;
    QString m_directory;
    LogSink m_log;
    int m_code = 0;
    bool m_fileChosen = false;
    QString m_labelFileName;
};
