#include "inputrefusal.h"

#include "basictools.h"
#include "hostmessages.h"
#include "spinbox.h"

#include <QAbstractSpinBox>
#include <QCoreApplication>
#include <QDoubleSpinBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QSpinBox>
#include <QTimer>

namespace InputRefusal {

namespace {
const char nameProperty[] = "_inputRefusalName";
const char keyProperty[] = "_inputRefusalKey";     // the text of the last key pressed in the field
const char fieldProperty[] = "_inputRefusalField"; // the field a note speaks of
const char noteName[] = "inputRefusalNote";
constexpr int noteMilliseconds = 5000;

QString number(const QAbstractSpinBox *field, double value)
{
    return BasicTools::formatNumber(qint64(value)) +
           field->property("suffix").toString(); // the unit, as the field shows it
}

// A note under the field, inside its window: a tooltip would be a window of its own, which on
// some platforms takes the focus and so commits what is being typed.
void showNote(QAbstractSpinBox *field, const QString &message)
{
    QWidget *window = field->window();
    auto *note = window->findChild<QLabel *>(QLatin1String(noteName), Qt::FindDirectChildrenOnly);
    if (!note) {
        note = new QLabel(window);
        note->setObjectName(QLatin1String(noteName));
        note->setWordWrap(true);
        note->setFrameShape(QFrame::Box);
        note->setMargin(4);
        note->setAutoFillBackground(true);
        note->setForegroundRole(QPalette::ToolTipText);
        note->setBackgroundRole(QPalette::ToolTipBase);
        note->setAttribute(Qt::WA_TransparentForMouseEvents);
        auto *timer = new QTimer(note);
        timer->setSingleShot(true);
        timer->setInterval(noteMilliseconds);
        QObject::connect(timer, &QTimer::timeout, note, &QWidget::hide);
    }
    note->setText(message);
    // The field's address, never followed: the field may be gone before its note.
    note->setProperty(fieldProperty, QVariant::fromValue(quintptr(field)));
    note->setFixedWidth(qBound(qMin(240, window->width()), field->width(), window->width()));
    note->adjustSize();
    QPoint at = field->mapTo(window, QPoint(0, field->height() + 2));
    at.setX(qBound(0, at.x(), qMax(0, window->width() - note->width())));
    if (at.y() + note->height() > window->height()) // no room below: above the field
        at.setY(field->mapTo(window, QPoint()).y() - note->height() - 2);
    note->move(at);
    note->raise();
    note->show();
    note->findChild<QTimer *>()->start();
}

void tellOutside(QAbstractSpinBox *field, const QString &typed);
void tellNothing(QAbstractSpinBox *field);
void hideNote(QAbstractSpinBox *field);

// Back to the value the field held when the typing began: a field that follows the typing
// (keyboard tracking) already holds the typed value, and takes the old one back with its signal.
void discardTyping(QAbstractSpinBox *field, const QVariant &before)
{
    auto *edit = field->findChild<QLineEdit *>();
    if (!edit || !edit->isModified())
        return;
    if (auto *host = qobject_cast<SpinBox *>(field)) {
        host->discardTyping();
    } else {
        // Setting a value restores the text, also the value it holds.
        const bool tracking = field->keyboardTracking() && before.isValid();
        field->setProperty("value", tracking ? before : field->property("value"));
    }
    edit->setModified(false);
}

// Says what a commit is about to drop for the value the field had: a number typed outside the
// field's range, or no number at all (empty text, a sign alone).
void checkCommit(QAbstractSpinBox *field)
{
    auto *edit = field->findChild<QLineEdit *>();
    if (!edit || !edit->isModified())
        return;
    QString text = edit->text();
    int position = edit->cursorPosition();
    if (field->validate(text, position) == QValidator::Acceptable)
        return;
    field->fixup(text);
    if (field->validate(text, position) == QValidator::Acceptable)
        return;
    const QString typed = field->property("cleanText").toString();
    const QLocale locale = field->locale();
    bool number = false;
    locale.toDouble(typed, &number);
    if (number)
        tellOutside(field, typed);
    else if (typed.isEmpty() || typed == locale.negativeSign() || typed == locale.positiveSign())
        tellNothing(field);
}

// Remembers the last key typed into a field, which the refusal names, and the value before the
// typing, which Escape goes back to; says so when a commit would drop what was typed; keeps what
// is typed, uncommitted, while a menu is open (the field's context menu, the menu bar): the
// person has not left the field; keeps End before the unit; takes the field's note along when the
// field is hidden.
class FieldWatch final : public QObject
{
public:
    explicit FieldWatch(QAbstractSpinBox *field) : QObject(field), m_field(field) {}

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        // A field being destroyed is no spin box any more by the time it gives its focus away.
        if (!qobject_cast<QAbstractSpinBox *>(m_field))
            return false;
        switch (event->type()) {
        case QEvent::ShortcutOverride:
            // Escape drops what is being typed; the event goes on, so that an Escape shortcut
            // (the workbench's Stop all) still acts.
            if (static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape)
                discardTyping(m_field, m_before);
            break;
        case QEvent::KeyPress: {
            const auto *key = static_cast<QKeyEvent *>(event);
            m_field->setProperty(keyProperty, key->text());
            auto *edit = m_field->findChild<QLineEdit *>();
            if (edit && !edit->isModified())
                m_before = m_field->property("value");
            if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
                checkCommit(m_field);
                committed();
            }
            // End goes to the end of the number, before the unit, as Shift+End selects up to
            // it: from after the unit, Backspace would only be refused.
            const QString suffix = m_field->property("suffix").toString();
            if (key->key() == Qt::Key_End && key->modifiers() == Qt::NoModifier && edit &&
                !suffix.isEmpty() && edit->text().endsWith(suffix)) {
                edit->setCursorPosition(edit->text().size() - suffix.size());
                return true;
            }
            break;
        }
        case QEvent::Hide:
            hideNote(m_field);
            break;
        case QEvent::FocusOut:
            if (static_cast<QFocusEvent *>(event)->reason() == Qt::PopupFocusReason)
                return true;
            if (m_field->isEnabled())
                checkCommit(m_field);
            committed();
            break;
        default:
            break;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    // Once the field has handled the commit, what it shows is no typing any more.
    void committed()
    {
        if (auto *edit = m_field->findChild<QLineEdit *>())
            QTimer::singleShot(0, edit, [edit] { edit->setModified(false); });
    }

    QAbstractSpinBox *const m_field;
    QVariant m_before; // the value when the typing began
};

QString fieldName(const QAbstractSpinBox *field)
{
    const QString name = field->property(nameProperty).toString();
    return name.isEmpty() ? QCoreApplication::translate("InputRefusal", "This field") : name;
}

void tellOutside(QAbstractSpinBox *field, const QString &typed)
{
    const QString message =
        QCoreApplication::translate("InputRefusal",
                                    "%1 takes %2 to %3: %4 lies outside, the field keeps %5.")
            .arg(fieldName(field), number(field, field->property("minimum").toDouble()),
                 number(field, field->property("maximum").toDouble()),
                 typed + field->property("suffix").toString(),
                 number(field, field->property("value").toDouble()));
    showNote(field, message);
    HostMessages::post(message);
}

void tellNothing(QAbstractSpinBox *field)
{
    const QString message =
        QCoreApplication::translate("InputRefusal", "%1: no number was typed, the field keeps %2.")
            .arg(fieldName(field), number(field, field->property("value").toDouble()));
    showNote(field, message);
    HostMessages::post(message);
}

void hideNote(QAbstractSpinBox *field)
{
    auto *note =
        field->window()->findChild<QLabel *>(QLatin1String(noteName), Qt::FindDirectChildrenOnly);
    if (note && note->property(fieldProperty).value<quintptr>() == quintptr(field))
        note->hide();
}

void tell(QAbstractSpinBox *field)
{
    const double minimum = field->property("minimum").toDouble();
    const double maximum = field->property("maximum").toDouble();
    const QString reads =
        field->property("cleanText").toString() + field->property("suffix").toString();
    const QString key = field->property(keyProperty).toString();
    // Backspace and Delete come as control characters: what they refused is a deletion.
    const bool printable = !key.isEmpty() && key.at(0).isPrint();
    const QString message =
        printable
            ? QCoreApplication::translate(
                  "InputRefusal", "%1 takes %2 to %3: \"%4\" was not taken, the field keeps %5.")
                  .arg(fieldName(field), number(field, minimum), number(field, maximum), key, reads)
            : QCoreApplication::translate(
                  "InputRefusal",
                  "%1 takes %2 to %3: the deletion was not taken, the field keeps %4.")
                  .arg(fieldName(field), number(field, minimum), number(field, maximum), reads);
    showNote(field, message);
    HostMessages::post(message);
}
} // namespace

void watch(QAbstractSpinBox *field, const QString &name)
{
    auto *edit = field->findChild<QLineEdit *>();
    if (!edit)
        return;
    rename(field, name);
    QObject::connect(edit, &QLineEdit::inputRejected, field, [field] { tell(field); });
    // The note speaks of the text as it was; once the person types on, only the message log
    // keeps it.
    QObject::connect(edit, &QLineEdit::textEdited, field, [field] { hideNote(field); });
    // The field passes its keys to its editor itself, past the editor's event filters.
    field->installEventFilter(new FieldWatch(field));
}

void rename(QAbstractSpinBox *field, const QString &name)
{
    field->setProperty(nameProperty, name);
}

} // namespace InputRefusal
