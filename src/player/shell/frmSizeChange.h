// The magnification window: a slider and a text box for 0 to 300 percent of the clip's picture size.
#pragma once

#include <QDialog>

#include <optional>

class QLineEdit;
class QSlider;

namespace vello {

/// Modeless, owned by the main window (pass it as parent). Every change of the slider, by the user or
/// from the text box, emits ratioChosen(value / 100); a value of 0 asks for the original size. The text
/// box applies a number only when it lies in 0..300; anything else leaves the slider as it is. Window
/// thread only.
class frmSizeChange : public QDialog
{
    Q_OBJECT

public:
    static constexpr int Minimum = 0;
    static constexpr int Maximum = 300;

    explicit frmSizeChange(QWidget* parent = nullptr);

    /// Each opening starts at 100: slider and text, without asking for a ratio.
    void Form_Load();

    QSlider* sld() const { return m_sld; }
    QLineEdit* txtPer() const { return m_txtPer; }

    /// The percentage a text stands for: a decimal number (blanks around it allowed) rounded half to even
    /// to a whole number; nothing when the text is not a number or the result lies outside 0..300.
    static std::optional<int> percentFromText(const QString& text);

signals:
    /// The slider moved to a new value: the main window fits itself to ratio (0 = original size).
    void ratioChosen(double ratio);

private:
    void sld_Change(int value);
    void txtPer_Change(const QString& text);

    QSlider* m_sld = nullptr;
    QLineEdit* m_txtPer = nullptr;
};

} // namespace vello
