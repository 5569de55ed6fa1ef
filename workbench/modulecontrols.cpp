#include "modulecontrols.h"

#include "parametertype.h"
#include "simulatedmodule.h"

#include <QBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QSpinBox>

ModuleControls::ModuleControls(QWidget *parent)
    : QWidget(parent), m_layout(new QBoxLayout(QBoxLayout::LeftToRight, this)),
      m_title(new QLabel(this))
{
    m_layout->setContentsMargins(6, 0, 6, 0);
    m_layout->setSpacing(12);
    m_layout->addWidget(m_title);
    m_standby = addStateBox(ParameterType::cmd_ChipStandby, tr("Chip &standby"));
    m_stepDir = addStateBox(ParameterType::cmd_ExternalStepDir, tr("E&xternal step/dir"));
    refresh();
}

QSpinBox *ModuleControls::addStateBox(const char *key, const QString &label)
{
    const QString name = QLatin1String(key);
    auto *box = new QSpinBox(this);
    box->setObjectName(name);
    auto *caption = new QLabel(label, this);
    caption->setBuddy(box);
    auto *row = new QHBoxLayout;
    row->setSpacing(4);
    row->addWidget(caption);
    row->addWidget(box);
    m_layout->addLayout(row);
    connect(box, QOverload<int>::of(&QSpinBox::valueChanged), this, [this, name](int value) {
        if (m_module)
            m_module->setModuleValue(static_cast<unsigned char>(m_motor), name, value);
    });
    return box;
}

void ModuleControls::setOrientation(Qt::Orientation orientation)
{
    m_layout->setDirection(orientation == Qt::Horizontal ? QBoxLayout::LeftToRight
                                                         : QBoxLayout::TopToBottom);
}

void ModuleControls::setModule(SimulatedModule *module)
{
    m_module = module;
    refresh();
}

void ModuleControls::setMotor(int motor)
{
    if (motor < 0 || (m_module && motor >= m_module->motorCount()))
        return;
    m_motor = motor;
    refresh();
}

void ModuleControls::refresh()
{
    const auto motor = static_cast<unsigned char>(m_motor);
    if (!m_module) {
        m_title->setText(tr("<b>Motor %1</b> (no module)").arg(m_motor));
        m_title->setToolTip(QString());
        m_standby->setEnabled(false);
        m_stepDir->setEnabled(false);
        return;
    }
    m_title->setText(tr("<b>Motor %1</b>").arg(m_motor));
    m_title->setToolTip(tr("Motor %1, chip %2: its state in the module, changed by hand")
                            .arg(m_motor)
                            .arg(m_module->getChipName(motor)));
    for (QSpinBox *box : {m_standby, m_stepDir}) {
        const QString key = box->objectName();
        const Model::ParameterInfo info = m_module->describeParameter(motor, key);
        const QSignalBlocker blocker(box);
        box->setEnabled(true);
        box->setRange(int(info.minimum), int(info.maximum));
        box->setValue(int(m_module->moduleValue(motor, key)));
        box->setToolTip(info.description);
    }
}
