#include "cipherdriver.h"

#include <QSqlDriverPlugin>

class CipherDriverPlugin : public QSqlDriverPlugin
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QSqlDriverFactoryInterface_iid FILE "sqlitecipher.json")

public:
    QSqlDriver *create(const QString &name) override
    {
        if (name == QLatin1String("SQLITECIPHER"))
            return new CipherDriver;
        return nullptr;
    }
};

#include "plugin.moc"
