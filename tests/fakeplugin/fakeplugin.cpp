#include <QObject>
#include <QtPlugin>

// A well-formed Qt plugin for some other interface: the workbench must refuse it by its
// identifier, without instantiating it.
class FakePlugin final : public QObject
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID "com.example.OtherInterface/1.0")
public:
    FakePlugin() = default;
};

#include "fakeplugin.moc"
