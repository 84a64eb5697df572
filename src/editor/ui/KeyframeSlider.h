// The preview's position slider with the keyframes marked along its groove.
#pragma once

#include <QList>
#include <QSlider>

namespace vello::editor {

/// A horizontal slider over milliseconds that draws a short tick below the groove at each mark (the
/// keyframes a cut can start on). Window thread only.
class KeyframeSlider final : public QSlider
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(KeyframeSlider)

public:
    explicit KeyframeSlider(QWidget* parent = nullptr);

    void setMarks(const QList<qint32>& marks);
    const QList<qint32>& marks() const { return m_marks; }
    /// Where a mark is drawn, in the slider's coordinates (for a value within the range).
    int markX(qint32 value) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QList<qint32> m_marks;
};

} // namespace vello::editor
