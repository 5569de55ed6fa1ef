#pragma once

#include "host_global.h"

#include <QDoubleSpinBox>

// The host's number field. It holds whole numbers over the full 32-bit range (and beyond, up to
// what a double holds exactly), emits valueChanged(int) besides the double signal (clamped to the
// int range), commits a typed value only on Enter or when focus leaves, and tells whether a
// person is typing in it. A field that is locked (disabled) while a person types in it drops
// what was typed instead of committing it.
class HOST_EXPORT SpinBox : public QDoubleSpinBox
{
    Q_OBJECT
public:
    explicit SpinBox(QWidget *parent = nullptr);
    ~SpinBox() override;

    using QDoubleSpinBox::setValue;
    // Sets the value; without notify no signal is emitted.
    void setValue(double value, bool notify);
    int intValue() const;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    QValidator::State validate(QString &text, int &position) const override;
    // True while a person has typed into the field and not yet committed it.
    bool isEditing() const { return m_editing; }
    // Drops uncommitted typing: the field shows its value again, and nothing is emitted but
    // typingDiscarded.
    void discardTyping();

public slots:
    void setValue(int value);
    // Called by windows that let a person drop or place the field: commits what was typed and
    // leaves the field unselected.
    void externItemMouseReleased();

signals:
    void valueChanged(int value);
    // The person committed what they typed (see isEditing).
    void editingDone();
    // What the person typed was dropped, uncommitted: the field was locked, or left without a
    // number in it.
    void typingDiscarded();

protected:
    void focusOutEvent(QFocusEvent *event) override;

private:
    Q_DISABLE_COPY(SpinBox)
    void finishEditing();
    bool m_editing = false;
    bool m_typedNumber = false; // what is typed reads as a number of the field's range
};
