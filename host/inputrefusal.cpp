#include "inputrefusal.h"

#include "basictools.h"
#include "hostmessages.h"

#include <QAbstractSpinBox>
#include <QCoreApplication>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QSpinBox>
#include <QTimer>

namespace InputRefusal {

namespace {
const char nameProperty[] = "_inputRefusalName";
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

void tell(QAbstractSpinBox *field)
{
    const double minimum = field->property("minimum").toDouble();
    const double maximum = field->property("maximum").toDouble();
    const QString name = field->property(nameProperty).toString();
    const QString reads =
        field->property("cleanText").toString() + field->property("suffix").toString();
    const QString message =
        QCoreApplication::translate(
            "InputRefusal", "%1 takes %2 to %3: that key was not taken, the field reads %4.")
            .arg(name.isEmpty() ? QCoreApplication::translate("InputRefusal", "This field") : name,
                 number(field, minimum), number(field, maximum), reads);
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
}

void rename(QAbstractSpinBox *field, const QString &name)
{
    field->setProperty(nameProperty, name);
}

} // namespace InputRefusal
