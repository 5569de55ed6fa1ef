#include "inputrefusal.h"

#include "basictools.h"
#include "hostmessages.h"

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

// Remembers the last key typed into a field, which the refusal names.
class KeyMemo final : public QObject
{
public:
    explicit KeyMemo(QAbstractSpinBox *field) : QObject(field), m_field(field) {}

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::KeyPress)
            m_field->setProperty(keyProperty, static_cast<QKeyEvent *>(event)->text());
        return QObject::eventFilter(watched, event);
    }

private:
    QAbstractSpinBox *const m_field;
};

void tell(QAbstractSpinBox *field)
{
    const double minimum = field->property("minimum").toDouble();
    const double maximum = field->property("maximum").toDouble();
    const QString name = field->property(nameProperty).toString();
    const QString reads =
        field->property("cleanText").toString() + field->property("suffix").toString();
    const QString key = field->property(keyProperty).toString();
    const QString message =
        QCoreApplication::translate("InputRefusal",
                                    "%1 takes %2 to %3: \"%4\" was not taken, the field keeps %5.")
            .arg(name.isEmpty() ? QCoreApplication::translate("InputRefusal", "This field") : name,
                 number(field, minimum), number(field, maximum), key, reads);
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
    QObject::connect(edit, &QLineEdit::textEdited, field, [field] {
        auto *note = field->window()->findChild<QLabel *>(QLatin1String(noteName),
                                                          Qt::FindDirectChildrenOnly);
        if (note && note->property(fieldProperty).value<quintptr>() == quintptr(field))
            note->hide();
    });
    // The field passes its keys to its editor itself, past the editor's event filters.
    field->installEventFilter(new KeyMemo(field));
}

void rename(QAbstractSpinBox *field, const QString &name)
{
    field->setProperty(nameProperty, name);
}

} // namespace InputRefusal
