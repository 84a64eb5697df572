#include "PreviewPlayer.h"

#include "EditRun.h"
#include "KeyframeSlider.h"
#include "NativePath.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QSlider>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace vello::editor {

PreviewPlayer::PreviewPlayer(PreviewControl& control, bool withPositionField, QWidget* parent)
    : QWidget(parent), m_control(control)
{
    setObjectName(QStringLiteral("preview"));
    m_source = new QLabel(sourceText(QString()), this);
    m_source->setObjectName(QStringLiteral("lblPreviewFile"));
    m_source->setTextFormat(Qt::PlainText);
    m_video = new QWidget(this);
    m_video->setObjectName(QStringLiteral("RA"));
    m_video->setAttribute(Qt::WA_NativeWindow);
    m_video->setAttribute(Qt::WA_DontCreateNativeAncestors);
    m_video->setAutoFillBackground(true);
    QPalette black = m_video->palette();
    black.setColor(QPalette::Window, Qt::black);
    m_video->setPalette(black);
    m_video->setMinimumSize(200, 150);
    m_video->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);

    m_play = new QToolButton(this);
    m_play->setObjectName(QStringLiteral("play"));
    m_play->setIcon(style()->standardIcon(QStyle::SP_MediaPlay));
    m_play->setToolTip(QStringLiteral("再生／一時停止"));
    m_position = new KeyframeSlider(this);
    m_position->setObjectName(QStringLiteral("position"));
    m_position->setRange(0, 0);
    m_position->setToolTip(QStringLiteral("再生位置"));
    m_volume = new QSlider(Qt::Horizontal, this);
    m_volume->setObjectName(QStringLiteral("volume"));
    m_volume->setRange(0, 100);
    m_volume->setValue(m_control.volume());
    m_volume->setMaximumWidth(90);
    m_volume->setToolTip(QStringLiteral("音量"));

    auto* controls = new QHBoxLayout;
    controls->setContentsMargins(0, 0, 0, 0);
    controls->addWidget(m_play);
    controls->addWidget(m_position, 1);
    controls->addWidget(m_volume);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    layout->addWidget(m_source);
    layout->addWidget(m_video, 1);
    layout->addLayout(controls);
    if (withPositionField) {
        m_field = new QLabel(positionText(0, 0), this);
        m_field->setObjectName(QStringLiteral("positionField"));
        m_field->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        m_fieldRow = new QHBoxLayout;
        m_fieldRow->setContentsMargins(0, 0, 0, 0);
        m_fieldRow->addStretch(1);
        m_fieldRow->addWidget(m_field);
        layout->addLayout(m_fieldRow);
    }

    connect(m_play, &QToolButton::clicked, this, [this] {
        m_control.togglePlay();
        refresh();
    });
    connect(m_position, &QSlider::sliderPressed, this, [this] { m_dragging = true; });
    connect(m_position, &QSlider::sliderReleased, this, [this] {
        m_dragging = false;
        m_control.seekMs(m_position->value());
    });
    connect(m_position, &QSlider::actionTriggered, this, [this](int action) {
        // Clicks on the groove and keys move the slider without a drag: seek at once.
        if (action != QAbstractSlider::SliderMove && !m_dragging)
            QTimer::singleShot(0, this, [this] { m_control.seekMs(m_position->value()); });
    });
    connect(m_volume, &QSlider::valueChanged, this, [this](int value) { m_control.setVolume(value); });
    connect(&m_control, &PreviewControl::sourceChanged, this, &PreviewPlayer::showSource);
    connect(&m_control, &PreviewControl::opened, this, &PreviewPlayer::refresh);
    connect(&m_control, &PreviewControl::closed, this, &PreviewPlayer::refresh);

    m_timer = new QTimer(this);
    m_timer->setInterval(100);
    connect(m_timer, &QTimer::timeout, this, &PreviewPlayer::refresh);
    m_timer->start();
    bindVideoWindow();
}

QString PreviewPlayer::sourceText(const QString& name)
{
    return QStringLiteral("プレビュー: ") + (name.isEmpty() ? QStringLiteral("（なし）") : name);
}

void PreviewPlayer::showSource()
{
    m_source->setText(sourceText(m_control.sourceName()));
    m_source->setToolTip(displayPath(EditRun::sourcePath(m_control.source())));
}

void PreviewPlayer::addToFieldRow(QWidget* widget)
{
    if (m_fieldRow)
        m_fieldRow->insertWidget(m_fieldRow->count() - 2, widget);
}

QString PreviewPlayer::positionText(qint32 positionMs, qint32 lengthMs)
{
    const auto text = [](qint32 ms) {
        ms = std::max(ms, 0);
        const qint32 tenths = ms / 100;
        return QStringLiteral("%1:%2.%3")
            .arg(tenths / 600, 2, 10, QLatin1Char('0'))
            .arg((tenths / 10) % 60, 2, 10, QLatin1Char('0'))
            .arg(tenths % 10);
    };
    return text(positionMs) + QStringLiteral(" / ") + text(lengthMs);
}

bool PreviewPlayer::event(QEvent* event)
{
    if (event->type() == QEvent::WinIdChange || event->type() == QEvent::Show)
        bindVideoWindow();
    return QWidget::event(event);
}

void PreviewPlayer::bindVideoWindow()
{
    // The picture goes into the video area's own native window; when the window system gives it a new
    // one, the next clip draws there.
    const quint64 id = m_video->winId();
    if (id != 0 && id != m_windowId) {
        m_windowId = id;
        m_control.setVideoWindow(id);
    }
}

void PreviewPlayer::refresh()
{
    const PreviewControl::State state = m_control.state();
    const bool playing = state == PreviewControl::State::Playing || state == PreviewControl::State::Opening;
    m_play->setIcon(style()->standardIcon(playing ? QStyle::SP_MediaPause : QStyle::SP_MediaPlay));
    m_play->setEnabled(state != PreviewControl::State::Empty);
    const qint32 length = m_control.lengthMs();
    const qint32 position = m_control.positionMs();
    if (!m_dragging) {
        m_position->setRange(0, std::max(length, 0));
        m_position->setValue(position);
    }
    if (m_field)
        m_field->setText(positionText(position, length));
}

} // namespace vello::editor
