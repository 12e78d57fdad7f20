#include "core/inventory.h"

#include "core/endpoints.h"
#include "core/printeraddress.h"

#include <QDir>
#include <QFileInfo>
#include <QMap>
#include <QSet>

#include <yaml-cpp/yaml.h>

namespace {

// A variable as it was written, with where it was written.
struct Var
{
    YAML::Node value;
    YAML::Mark mark;
};
using Vars = QMap<QString, Var>;

const QSet<QString> &knownVariables()
{
    static const QSet<QString> known {"address", "mask",      "gateway",  "location",        "tags",
                                      "clock",   "whitelist", "firmware", "factory_address", "firmware_wait"};
    return known;
}

class Reader
{
public:
    explicit Reader(const QString &path)
        : m_path(path)
        , m_dir(QFileInfo(path).absolutePath())
    {
    }

    bool read(QList<InventoryHost> *hosts, QHash<QString, QStringList> *groups, QString *why);

private:
    bool fail(const YAML::Mark &mark, const QString &what)
    {
        if (m_error.isEmpty())
            m_error = QStringLiteral("%1:%2:%3: %4").arg(m_path).arg(mark.line + 1).arg(mark.column + 1).arg(what);
        return false;
    }
    static QString text(const YAML::Node &node) { return QString::fromStdString(node.Scalar()); }
    bool addVars(const YAML::Node &map, Vars *vars);
    bool walk(const QString &group, const YAML::Node &node, const Vars &inherited, QStringList path);
    bool resolve(const QString &name, const Vars &vars, InventoryHost *host);
    bool address(const Var &v, const char *name, QString *out);
    QString file(const QString &relative) const { return QDir(m_dir).absoluteFilePath(relative); }

    QString m_path;
    QString m_dir;
    QString m_error;
    QStringList m_order; // host names, first seen first
    QHash<QString, Vars> m_vars; // host name -> its variables, resolved
    QHash<QString, YAML::Mark> m_marks; // host name -> where it was named
    QHash<QString, QStringList> m_groups;
};

bool Reader::addVars(const YAML::Node &map, Vars *vars)
{
    if (!map || map.IsNull())
        return true;
    if (!map.IsMap())
        return fail(map.Mark(), QStringLiteral("variables must be a mapping"));
    for (auto it = map.begin(); it != map.end(); ++it) {
        const QString key = text(it->first);
        if (key.startsWith(QLatin1String("ansible_")))
            continue; // Ansible's own
        if (!knownVariables().contains(key))
            return fail(it->first.Mark(), QStringLiteral("unknown variable: %1").arg(key));
        // Never assigned over: assigning a YAML::Node writes into the node
        // it refers to, which would change the outer group's value.
        vars->remove(key);
        vars->insert(key, {it->second, it->first.Mark()});
    }
    return true;
}

bool Reader::walk(const QString &group, const YAML::Node &node, const Vars &inherited, QStringList path)
{
    path << group;
    for (const QString &g : path)
        m_groups[g]; // an empty group is still a group
    if (!node || node.IsNull())
        return true;
    if (!node.IsMap())
        return fail(node.Mark(), QStringLiteral("group %1: a mapping of vars, hosts and children expected").arg(group));
    Vars vars = inherited;
    for (auto it = node.begin(); it != node.end(); ++it) {
        const QString key = text(it->first);
        if (key != QLatin1String("vars") && key != QLatin1String("hosts") && key != QLatin1String("children"))
            return fail(it->first.Mark(),
                        QStringLiteral("group %1: unknown key %2 (vars, hosts or children)").arg(group, key));
    }
    if (!addVars(node["vars"], &vars))
        return false;
    const YAML::Node hosts = node["hosts"];
    if (hosts && !hosts.IsNull()) {
        if (!hosts.IsMap())
            return fail(hosts.Mark(), QStringLiteral("group %1: hosts must be a mapping of names").arg(group));
        for (auto it = hosts.begin(); it != hosts.end(); ++it) {
            const QString name = text(it->first);
            Vars own = vars;
            if (m_vars.contains(name)) {
                // Named again in another group: its own variables stay.
                own = m_vars.value(name);
                for (auto v = vars.begin(); v != vars.end(); ++v)
                    if (!own.contains(v.key()))
                        own.insert(v.key(), v.value());
            } else {
                m_order << name;
                m_marks.insert(name, it->first.Mark());
            }
            if (!addVars(it->second, &own))
                return false;
            m_vars.insert(name, own);
            for (const QString &g : path)
                if (!m_groups[g].contains(name))
                    m_groups[g] << name;
        }
    }
    const YAML::Node children = node["children"];
    if (children && !children.IsNull()) {
        if (!children.IsMap())
            return fail(children.Mark(), QStringLiteral("group %1: children must be a mapping of groups").arg(group));
        for (auto it = children.begin(); it != children.end(); ++it)
            if (!walk(text(it->first), it->second, vars, path))
                return false;
    }
    return true;
}

bool Reader::address(const Var &v, const char *name, QString *out)
{
    const PrinterAddress a = PrinterAddress::parse(v.value.IsScalar() ? text(v.value) : QString());
    if (!a.isValid())
        return fail(v.mark, QStringLiteral("%1: not an IPv4 address").arg(QLatin1String(name)));
    *out = a.plain();
    return true;
}

bool Reader::resolve(const QString &name, const Vars &vars, InventoryHost *host)
{
    host->name = name;
    if (!vars.contains(QStringLiteral("address")))
        return fail(m_marks.value(name), QStringLiteral("host %1 has no address").arg(name));
    if (!address(vars.value(QStringLiteral("address")), "address", &host->address))
        return false;
    if (!PrinterAddress::parse(host->address).isHost())
        return fail(vars.value(QStringLiteral("address")).mark, QStringLiteral("address: not a printer's address"));
    if (vars.contains(QStringLiteral("mask")) && !address(vars.value(QStringLiteral("mask")), "mask", &host->mask))
        return false;
    if (vars.contains(QStringLiteral("gateway"))
        && !address(vars.value(QStringLiteral("gateway")), "gateway", &host->gateway))
        return false;
    if (vars.contains(QStringLiteral("factory_address"))
        && !address(vars.value(QStringLiteral("factory_address")), "factory_address", &host->factoryAddress))
        return false;
    if (vars.contains(QStringLiteral("location")))
        host->location = text(vars.value(QStringLiteral("location")).value);
    if (vars.contains(QStringLiteral("tags"))) {
        const Var &v = vars.value(QStringLiteral("tags"));
        if (v.value.IsScalar()) {
            host->tags << text(v.value);
        } else if (v.value.IsSequence()) {
            for (const YAML::Node &t : v.value) {
                if (!t.IsScalar())
                    return fail(t.Mark(), QStringLiteral("tags: a list of names expected"));
                host->tags << text(t);
            }
        } else {
            return fail(v.mark, QStringLiteral("tags: a list of names expected"));
        }
    }
    try {
        if (vars.contains(QStringLiteral("clock")))
            host->clock = vars.value(QStringLiteral("clock")).value.as<bool>();
    } catch (const YAML::Exception &) {
        return fail(vars.value(QStringLiteral("clock")).mark, QStringLiteral("clock: true or false"));
    }
    try {
        if (vars.contains(QStringLiteral("firmware_wait")))
            host->firmwareWait = vars.value(QStringLiteral("firmware_wait")).value.as<int>();
    } catch (const YAML::Exception &) {
        host->firmwareWait = -1;
    }
    if (host->firmwareWait < 1 || host->firmwareWait > 3600)
        return fail(vars.value(QStringLiteral("firmware_wait")).mark,
                    QStringLiteral("firmware_wait: seconds from 1 to 3600"));
    if (vars.contains(QStringLiteral("whitelist"))) {
        const Var &v = vars.value(QStringLiteral("whitelist"));
        host->whitelist = file(text(v.value));
        if (!v.value.IsScalar() || !QFileInfo(host->whitelist).isFile() || !QFileInfo(host->whitelist).isReadable())
            return fail(v.mark, QStringLiteral("whitelist: cannot read %1").arg(host->whitelist));
    }
    if (vars.contains(QStringLiteral("firmware"))) {
        const Var &v = vars.value(QStringLiteral("firmware"));
        if (!v.value.IsMap())
            return fail(v.mark, QStringLiteral("firmware: a mapping with version and image expected"));
        for (auto it = v.value.begin(); it != v.value.end(); ++it) {
            const QString key = text(it->first);
            if (key != QLatin1String("version") && key != QLatin1String("image"))
                return fail(it->first.Mark(), QStringLiteral("firmware: unknown key %1 (version or image)").arg(key));
        }
        const YAML::Node version = v.value["version"];
        if (!version || !version.IsScalar() || version.Scalar().empty())
            return fail(v.mark, QStringLiteral("firmware without a version"));
        host->firmwareVersion = text(version);
        const YAML::Node image = v.value["image"];
        if (!image || !image.IsScalar() || image.Scalar().empty())
            return fail(v.mark, QStringLiteral("firmware without an image"));
        host->firmwareImage = file(text(image));
        if (!QFileInfo(host->firmwareImage).isFile() || !QFileInfo(host->firmwareImage).isReadable())
            return fail(image.Mark(), QStringLiteral("firmware image: cannot read %1").arg(host->firmwareImage));
    }
    return true;
}

bool Reader::read(QList<InventoryHost> *hosts, QHash<QString, QStringList> *groups, QString *why)
{
    YAML::Node root;
    try {
        root = YAML::LoadFile(m_path.toStdString());
    } catch (const YAML::BadFile &) {
        *why = QStringLiteral("%1: cannot read the inventory").arg(m_path);
        return false;
    } catch (const YAML::Exception &e) {
        fail(e.mark, QString::fromStdString(e.msg));
        *why = m_error;
        return false;
    }
    bool ok = true;
    try {
        if (!root.IsMap()) {
            ok = fail(root.Mark(), QStringLiteral("an inventory is a mapping with all: at the top"));
        } else {
            for (auto it = root.begin(); ok && it != root.end(); ++it) {
                const QString top = text(it->first);
                // Groups beside all: are in all all the same.
                ok = top == QLatin1String("all") ? walk(top, it->second, Vars(), {})
                                                 : walk(top, it->second, Vars(), {QStringLiteral("all")});
            }
        }
        QHash<QString, QString> addressOwner;
        for (int i = 0; ok && i < m_order.size(); ++i) {
            const QString &name = m_order.at(i);
            InventoryHost host;
            ok = resolve(name, m_vars.value(name), &host);
            if (!ok)
                break;
            if (addressOwner.contains(host.address)) {
                ok = fail(m_vars.value(name).value(QStringLiteral("address")).mark,
                          QStringLiteral("hosts %1 and %2 have one address, %3")
                              .arg(addressOwner.value(host.address), name, host.address));
                break;
            }
            addressOwner.insert(host.address, name);
            for (auto g = m_groups.begin(); g != m_groups.end(); ++g)
                if (g.value().contains(name))
                    host.groups << g.key();
            host.groups.sort();
            hosts->append(host);
        }
    } catch (const YAML::Exception &e) {
        ok = fail(e.mark, QString::fromStdString(e.msg));
    }
    if (!ok) {
        *why = m_error;
        return false;
    }
    *groups = m_groups;
    return true;
}

} // namespace

bool Inventory::load(const QString &path, Inventory *inventory, QString *why)
{
    Inventory result;
    result.m_path = path;
    if (!Reader(path).read(&result.m_hosts, &result.m_groups, why))
        return false;
    *inventory = result;
    return true;
}

const InventoryHost *Inventory::byAddress(const QString &address) const
{
    const QString plain = PrinterAddress::parse(address).plain();
    for (const InventoryHost &h : m_hosts)
        if (h.address == plain)
            return &h;
    return nullptr;
}

QList<const InventoryHost *> Inventory::select(const QString &item) const
{
    QList<const InventoryHost *> out;
    if (item.startsWith(QLatin1String("tag:"))) {
        const QString tag = item.mid(4);
        for (const InventoryHost &h : m_hosts)
            if (h.tags.contains(tag))
                out << &h;
        return out;
    }
    const QStringList names = m_groups.value(item);
    for (const InventoryHost &h : m_hosts)
        if (h.name == item || names.contains(h.name))
            out << &h;
    if (out.isEmpty())
        if (const InventoryHost *h = byAddress(item))
            if (AddressPatterns::matchesB(item))
                out << h;
    return out;
}
