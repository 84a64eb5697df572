#include "frmSizeChange.h"

#include "Helpers.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QSlider>

#include <cmath>

namespace vello {

frmSizeChange::frmSizeChange(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmSizeChange"));
    setWindowTitle(QStringLiteral("倍率変更"));
    setModal(false);
    if (parent)
        setWindowIcon(parent->windowIcon());

    m_sld = new QSlider(Qt::Horizontal, this);
    m_sld->setObjectName(QStringLiteral("sld"));
    m_sld->setRange(Minimum, Maximum);
    m_sld->setTickPosition(QSlider::TicksBelow);
    m_sld->setTickInterval(100);
    m_sld->setPageStep(10);
    m_sld->setValue(100);

    m_txtPer = new QLineEdit(QStringLiteral("100"), this);
    m_txtPer->setObjectName(QStringLiteral("txtPer"));
    m_txtPer->setMaximumWidth(fontMetrics().horizontalAdvance(QStringLiteral("00000")) + 12);

    auto* grid = new QGridLayout(this);
    grid->addWidget(m_sld, 0, 0, 1, 4);
    const char* const scale[4] = {"0", "100", "200", "300"};
    for (int i = 0; i < 4; ++i) {
        auto* label = new QLabel(QString::fromLatin1(scale[i]), this);
        label->setAlignment(i == 0 ? Qt::AlignLeft : i == 3 ? Qt::AlignRight : Qt::AlignHCenter);
        grid->addWidget(label, 1, i);
    }
    grid->addWidget(m_txtPer, 0, 4);
    grid->addWidget(new QLabel(QStringLiteral("%"), this), 0, 5);
    resize(360, sizeHint().height());

    connect(m_sld, &QSlider::valueChanged, this, &frmSizeChange::sld_Change);
    connect(m_txtPer, &QLineEdit::textEdited, this, &frmSizeChange::txtPer_Change);
}

void frmSizeChange::Form_Load()
{
    const QSignalBlocker quiet(m_sld);
    m_sld->setValue(100);
    m_txtPer->setText(QStringLiteral("100"));
}

std::optional<int> frmSizeChange::percentFromText(const QString& text)
{
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    const qint64 whole = roundHalfEven(value);
    if (whole < Minimum || whole > Maximum)
        return std::nullopt;
    return int(whole);
}

void frmSizeChange::sld_Change(int value)
{
    // The text is rewritten only when it does not already say this value, so typing is not disturbed.
    if (percentFromText(m_txtPer->text()) != value)
        m_txtPer->setText(QString::number(value));
    emit ratioChosen(value / 100.0);
}

void frmSizeChange::txtPer_Change(const QString& text)
{
    if (const auto percent = percentFromText(text))
        m_sld->setValue(*percent);
}

} // namespace vello
