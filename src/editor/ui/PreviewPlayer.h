// The preview player of a tool window: picture, play button, position slider, volume slider and, in
// the cut window, a position field.
#pragma once

#include "PreviewControl.h"

#include <QWidget>

class QLabel;
class QSlider;
class QTimer;
class QToolButton;

namespace vello::editor {

/// Shows a PreviewControl (not owned; it must outlive the widget) and drives it from its controls.
/// The slider and field follow the position every 100 ms. Window thread only.
class PreviewPlayer final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PreviewPlayer)

public:
    PreviewPlayer(PreviewControl& control, bool withPositionField, QWidget* parent = nullptr);

    PreviewControl& control() const { return m_control; }
    /// The native window the picture is drawn into.
    QWidget* videoArea() const { return m_video; }
    QSlider* positionSlider() const { return m_position; }
    QSlider* volumeSlider() const { return m_volume; }
    QToolButton* playButton() const { return m_play; }
    /// The position field; null when the player has none.
    QLabel* positionField() const { return m_field; }

    /// Position field text: "mm:ss.s / mm:ss.s".
    static QString positionText(qint32 positionMs, qint32 lengthMs);

protected:
    bool event(QEvent* event) override;

private:
    void refresh();
    void bindVideoWindow();

    PreviewControl& m_control;
    QWidget* m_video = nullptr;
    QSlider* m_position = nullptr;
    QSlider* m_volume = nullptr;
    QToolButton* m_play = nullptr;
    QLabel* m_field = nullptr;
    QTimer* m_timer = nullptr;
    quint64 m_windowId = 0;
    bool m_dragging = false;
};

} // namespace vello::editor
