#pragma once

#include "model/deviceimage.h"

#include <QWidget>

class QCheckBox;
class QPushButton;
class TimelineView;

// "Przebieg sygnałów": the timeline of the held register in a window of its own, beside
// the main window, with the names of the events page's label set.
class TimelineWindow : public QWidget {
    Q_OBJECT
public:
    explicit TimelineWindow(QWidget* parent = nullptr);

    // The held register changed (a read, a loaded file) or its names did.
    void showRegister(const DeviceImage& image);

    // The picture as shown (rows, zoom and pan) at the view's size, SVG or PNG by the
    // suffix. Returns the failure's text, empty on success.
    QString exportPicture(const QString& path) const;
    // Asks for a file name; a failure is shown in a message box.
    void exportWithDialog();

    TimelineView* view() const { return m_view; }
    QCheckBox* onlyChangingBox() const { return m_onlyChanging; }
    QPushButton* fitButton() const { return m_fit; }

private:
    TimelineView* m_view;
    QCheckBox* m_onlyChanging;
    QPushButton* m_fit;
    QPushButton* m_export;
};
