#include "TransportBar.h"

#include "ButtonArt.h"
#include "MainLayout.h"

#include <QEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QSlider>
#include <QWidget>

namespace vello {

TransportBar::TransportBar(QWidget* client, QObject* parent) : QObject(parent)
{
    m_lblTimer = new QLabel(m_timeText, client);
    m_lblTimer->setObjectName(QStringLiteral("lblTimer"));
    m_lblTimer->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    m_sldTimer = new QSlider(Qt::Horizontal, client);
    m_sldTimer->setObjectName(QStringLiteral("sldTimer"));
    m_sldTimer->setRange(0, 0);
    m_sldTimer->installEventFilter(this);
    connect(m_sldTimer, &QSlider::valueChanged, this, [this](int value) {
        if (!m_settingPosition)
            emit positionScrolled(value);
    });

    for (int i = 0; i < ButtonCount; ++i) {
        auto* normal = new QLabel(client);
        normal->setObjectName(QStringLiteral("imgButton_%1").arg(i));
        normal->setScaledContents(true);
        normal->setPixmap(ButtonArt::image(i, false, 32));
        normal->installEventFilter(this);
        auto* pressed = new QLabel(client);
        pressed->setObjectName(QStringLiteral("imgButton_S_%1").arg(i));
        pressed->setScaledContents(true);
        pressed->setPixmap(ButtonArt::image(i, true, 32));
        pressed->installEventFilter(this);
        pressed->hide();
        m_normal[size_t(i)] = normal;
        m_pressed[size_t(i)] = pressed;
    }

    m_picVol = new QWidget(client);
    m_picVol->setObjectName(QStringLiteral("picVol"));
    m_picVol->setAutoFillBackground(true);
    m_sldVol = new QSlider(Qt::Vertical, m_picVol);
    m_sldVol->setObjectName(QStringLiteral("sldVol"));
    m_sldVol->setRange(0, 100);
    m_sldVol->setValue(50);
    m_picVol->hide();
    connect(m_sldVol, &QSlider::valueChanged, this, [this](int value) {
        if (!m_settingVolume)
            emit volumeChanged(value);
    });
}

TransportBar::~TransportBar() = default;

void TransportBar::place(const MainLayout& layout, const std::function<QRect(const QRect&)>& toPixels)
{
    m_timerPlace = toPixels(layout.lblTimer);
    showTimeLabel();
    m_sldTimer->setGeometry(toPixels(layout.sldTimer));
    for (int i = 0; i < ButtonCount; ++i) {
        const QRect r = toPixels(layout.imgButton[size_t(i)]);
        m_normal[size_t(i)]->setGeometry(r);
        m_pressed[size_t(i)]->setGeometry(r);
    }
    m_picVol->setGeometry(toPixels(layout.picVol));
    m_sldVol->setGeometry(0, 0, m_picVol->width(), m_picVol->height());
}

void TransportBar::setButtonLook(int button, bool pressed)
{
    if (button < 0 || button >= ButtonCount)
        return;
    m_normal[size_t(button)]->setVisible(!pressed);
    m_pressed[size_t(button)]->setVisible(pressed);
}

bool TransportBar::buttonLook(int button) const
{
    return button >= 0 && button < ButtonCount && !m_pressed[size_t(button)]->isHidden();
}

void TransportBar::setPositionMaximum(int maximum)
{
    m_settingPosition = true;
    m_sldTimer->setMaximum(maximum);
    m_settingPosition = false;
}

void TransportBar::setPosition(int value)
{
    m_settingPosition = true;
    m_sldTimer->setValue(value);
    m_settingPosition = false;
}

int TransportBar::position() const
{
    return m_sldTimer->value();
}

int TransportBar::positionMaximum() const
{
    return m_sldTimer->maximum();
}

void TransportBar::setTimeText(const QString& text)
{
    m_timeText = text;
    showTimeLabel();
}

void TransportBar::setSpeedText(const QString& text)
{
    m_speedText = text;
    showTimeLabel();
}

void TransportBar::showTimeLabel()
{
    m_lblTimer->setText(m_speedText.isEmpty() ? m_timeText : m_timeText + u' ' + m_speedText);
    QRect place = m_timerPlace;
    const int needed = m_lblTimer->sizeHint().width();
    if (!m_speedText.isEmpty() && needed > place.width())
        place.setLeft(place.right() + 1 - needed);
    m_lblTimer->setGeometry(place);
}

QString TransportBar::timeText() const
{
    return m_lblTimer->text();
}

void TransportBar::setVolume(int value)
{
    m_settingVolume = true;
    m_sldVol->setValue(value);
    m_settingVolume = false;
}

int TransportBar::volume() const
{
    return m_sldVol->value();
}

void TransportBar::setVolumePanelVisible(bool visible)
{
    m_picVol->setVisible(visible);
    if (visible)
        m_picVol->raise();
}

bool TransportBar::volumePanelVisible() const
{
    return !m_picVol->isHidden();
}

int TransportBar::buttonIndexOf(const QObject* watched, bool* pressedImage) const
{
    for (int i = 0; i < ButtonCount; ++i) {
        if (watched == m_normal[size_t(i)] || watched == m_pressed[size_t(i)]) {
            *pressedImage = watched == m_pressed[size_t(i)];
            return i;
        }
    }
    return -1;
}

bool TransportBar::buttonMouse(int index, bool pressedImage, QEvent* event)
{
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() != Qt::LeftButton)
        return true;
    // The second press of a quick double click arrives as a double click: it is a click like any other
    // (opening the volume panel right after closing it is such a click).
    if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick) {
        m_mouseDownButton = index;
        m_closingVolumePanel = index == Volume && pressedImage && volumePanelVisible();
        if (!m_closingVolumePanel)
            emit buttonDown(index);
        return true;
    }
    // The release may reach the other image of the pair (the one under the mouse after the press).
    if (m_mouseDownButton != index)
        return true;
    m_mouseDownButton = -1;
    if (m_closingVolumePanel) {
        m_closingVolumePanel = false;
        setVolumePanelVisible(false);
        emit volumePanelClosed();
        return true;
    }
    emit buttonUp(index);
    return true;
}

bool TransportBar::sliderMouse(QEvent* event)
{
    if (static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton)
        return false;
    // The slider takes the press of a double click as a press of its own.
    if (event->type() != QEvent::MouseButtonRelease) {
        m_positionHeld = true;
        emit positionPressed();
    } else if (m_positionHeld) {
        m_positionHeld = false;
        emit positionReleased();
    }
    return false;
}

bool TransportBar::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick: {
        if (watched == m_sldTimer)
            return sliderMouse(event);
        bool pressedImage = false;
        const int index = buttonIndexOf(watched, &pressedImage);
        if (index >= 0)
            return buttonMouse(index, pressedImage, event);
        break;
    }
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace vello
