#pragma once

#include "cache/registrysource.h"

#include <QMap>
#include <QString>

#include <tuple>

// An in-memory registry: string values by root, key and value name (case-insensitive).
class FakeRegistry : public velt::RegistrySource
{
public:
    void setString(std::uint32_t root, const QString &key, const QString &name, const QString &text,
                   std::uint32_t type = velt::kREG_SZ)
    {
        velt::RegistryValue v;
        v.type = type;
        const QByteArray bytes = text.toUtf8();
        v.data.assign(bytes.begin(), bytes.end());
        v.data.push_back(0);
        m_values[{root, key.toLower(), name.toLower()}] = v;
    }
    void remove(std::uint32_t root, const QString &key, const QString &name)
    {
        m_values.remove({root, key.toLower(), name.toLower()});
    }

    bool keyExists(std::uint32_t root, const std::string &keyPath) const override
    {
        const QString key = QString::fromStdString(keyPath).toLower();
        for (auto it = m_values.cbegin(); it != m_values.cend(); ++it) {
            if (std::get<0>(it.key()) == root && std::get<1>(it.key()) == key)
                return true;
        }
        return false;
    }
    std::optional<velt::RegistryValue> value(std::uint32_t root, const std::string &keyPath,
                                             const std::string &valueName) const override
    {
        const auto it = m_values.constFind({root, QString::fromStdString(keyPath).toLower(),
                                            QString::fromStdString(valueName).toLower()});
        if (it == m_values.cend())
            return std::nullopt;
        return *it;
    }

private:
    QMap<std::tuple<std::uint32_t, QString, QString>, velt::RegistryValue> m_values;
};
