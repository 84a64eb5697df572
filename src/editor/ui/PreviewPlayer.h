// The preview player of a tool window: the previewed file's name, picture, play button, position slider
// (with keyframe marks where the window sets them), volume slider and, in the cut window, a position
// field.
#pragma once

#include "PreviewControl.h"

#include <QWidget>

class QHBoxLayout;
class QLabel;
class QSlider;
class QTimer;
class QToolButton;

namespace vello::editor {

class KeyframeSlider;

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
    KeyframeSlider* positionSlider() const { return m_position; }
    QSlider* volumeSlider() const { return m_volume; }
    QToolButton* playButton() const { return m_play; }
    /// The position field; null when the player has none.
    QLabel* positionField() const { return m_field; }
    /// The line naming the previewed file ("プレビュー: name").
    QLabel* sourceLabel() const { return m_source; }
    /// Puts a window's own control on the position field's line, left of the field (players with a
    /// position field only).
    void addToFieldRow(QWidget* widget);

    /// The source line's text for a file's shown name (empty: nothing loaded).
    static QString sourceText(const QString& name);
    /// Position field text: "mm:ss.s / mm:ss.s".
    static QString positionText(qint32 positionMs, qint32 lengthMs);

protected:
    bool event(QEvent* event) override;

private:
    void refresh();
    void showSource();
    void bindVideoWindow();

    PreviewControl& m_control;
    QWidget* m_video = nullptr;
    KeyframeSlider* m_position = nullptr;
    QSlider* m_volume = nullptr;
    QToolButton* m_play = nullptr;
    QLabel* m_field = nullptr;
    QLabel* m_source = nullptr;
    QHBoxLayout* m_fieldRow = nullptr;
    QTimer* m_timer = nullptr;
    quint64 m_windowId = 0;
    bool m_dragging = false;
};

} // namespace vello::editor
