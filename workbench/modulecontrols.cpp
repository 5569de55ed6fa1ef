#include "modulecontrols.h"

#include "parametertype.h"
#include "simulatedmodule.h"

#include <QBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QToolButton>

ModuleControls::ModuleControls(SimulatedModule *module, QAction *stopAll, QWidget *parent)
    : QWidget(parent), m_module(module), m_layout(new QBoxLayout(QBoxLayout::LeftToRight, this)),
      m_title(new QLabel(this))
{
    m_layout->setSpacing(12);
    m_layout->addWidget(m_title);
    m_standby = addStateBox(ParameterType::cmd_ChipStandby, tr("Chip standby"));
    m_stepDir = addStateBox(ParameterType::cmd_ExternalStepDir, tr("External step/dir"));

    auto *stop = new QToolButton(this);
    stop->setDefaultAction(stopAll);
    stop->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_layout->addWidget(stop);
    m_layout->addStretch();
    setMotor(0);
}

QSpinBox *ModuleControls::addStateBox(const char *key, const QString &label)
{
    const QString name = QLatin1String(key);
    auto *box = new QSpinBox(this);
    box->setObjectName(name);
    auto *caption = new QLabel(label, this);
    caption->setBuddy(box);
    auto *row = new QHBoxLayout;
    row->addWidget(caption);
    row->addWidget(box);
    m_layout->addLayout(row);
    connect(box, QOverload<int>::of(&QSpinBox::valueChanged), this, [this, name](int value) {
        if (m_motor >= 0)
            m_module->setModuleValue(static_cast<unsigned char>(m_motor), name, value);
    });
    return box;
}

void ModuleControls::setOrientation(Qt::Orientation orientation)
{
    m_layout->setDirection(orientation == Qt::Horizontal ? QBoxLayout::LeftToRight
                                                         : QBoxLayout::TopToBottom);
}

void ModuleControls::setMotor(int motor)
{
    if (motor < 0 || motor >= m_module->motorCount())
        return;
    m_motor = motor;
    refresh();
}

void ModuleControls::refresh()
{
    const auto motor = static_cast<unsigned char>(m_motor);
    m_title->setText(tr("<b>Motor %1</b> · %2").arg(m_motor).arg(m_module->getChipName(motor)));
    for (QSpinBox *box : {m_standby, m_stepDir}) {
        const QString key = box->objectName();
        const Model::ParameterInfo info = m_module->describeParameter(motor, key);
        const QSignalBlocker blocker(box);
        box->setRange(int(info.minimum), int(info.maximum));
        box->setValue(int(m_module->moduleValue(motor, key)));
        box->setToolTip(info.description);
    }
}
