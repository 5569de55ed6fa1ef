#pragma once

#include <QLayoutItem>
#include <QString>

class QGridLayout;
class QLabel;

// The layout item of a label whose text changes many times a second (a position read from the
// module). A label asks every layout up to the window to run again whenever its text changes,
// unless its size is fixed. This item fixes the label's size to the cell that the layout gives
// it, while it shows the layout the label's own hints (as wide as the widest text it will get),
// so the form lays out as it would with a plain label and a new text costs no layout at all.
class SteadyLabelItem final : public QWidgetItem
{
public:
    // Puts the item in place of the label's own in the grid, in the same cell and span. The
    // widest text defaults to that of the 32-bit integers.
    static SteadyLabelItem *install(QGridLayout *grid, QLabel *label,
                                    const QString &widestText = QString());

    SteadyLabelItem(QLabel *label, const QString &widestText);

    QSize sizeHint() const override;
    QSize minimumSize() const override;
    QSize maximumSize() const override;
    void setGeometry(const QRect &rect) override;

private:
    Q_DISABLE_COPY(SteadyLabelItem)

    QLabel *const m_label;
    const QString m_widestText;
};
