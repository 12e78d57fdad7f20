#include "core/networkrules.h"

#include "core/endpoints.h"

#include <cstdio>

namespace NetworkRules {
namespace {
const char *const FirstGroup = "IP地址的第一组数字介于1到223之间，并且不等于127。";
const char *const ReservedSubnet = "无法使用子网10.211.135.0/24。";

struct Rule
{
    const char *title;
    const char *text;
};

const Rule Rules[] = {
    {"验证当前IP地址", "请输入格式正确的IP地址。"},
    {"网络配置", FirstGroup},
    {"网络配置", ReservedSubnet},
    {"网络配置", "请输入格式正确的IP地址。"},
    {"网络配置", FirstGroup},
    {"网络配置", ReservedSubnet},
    {"网络配置", "请输入格式正确的子网掩码。"},
    {"网络配置", "子网掩码地址无效。"},
    {"网络配置", "子网掩码必须是相邻的。"},
    {"网络配置", "请输入格式正确的默认网关"},
    {"网络配置", FirstGroup},
    {"网络配置", ReservedSubnet},
    {"网络配置", "IP地址或子网掩码无效。"},
    {"网络配置", "不能将IP地址的主机地址部分的所有位都设为0或都设为1。"},
    {"网络配置", "不能将网关地址的主机地址部分的所有位都设为0或都设为1。"},
    {"网络配置", "默认网关不在由IP地址和子网掩码定义的同一子网上。"},
    {"网络配置", "更改后的IP地址不能与当前IP地址相同。"},
    {"网络配置", "更改后的IP地址不能与网关地址相同。"},
};

// "%d.%d.%d.%d": false when the text does not yield four integers.
bool parseAddress(const QString &text, uint32_t *value)
{
    int a, b, c, d;
    if (std::sscanf(text.toLatin1().constData(), "%d.%d.%d.%d", &a, &b, &c, &d) != 4)
        return false;
    *value = (uint32_t(a) << 24) + (uint32_t(b) << 16) + (uint32_t(c) << 8) + uint32_t(d);
    return true;
}

bool badFirstGroup(uint32_t value)
{
    const uint32_t first = value >> 24;
    return first < 1 || first > 223 || first == 127;
}

bool inReservedSubnet(uint32_t value)
{
    return (value >> 8) == ((10u << 16) | (211u << 8) | 135u);
}

// The mask must cover at least the bits of the address's class.
bool classRuleHolds(uint32_t ip, uint32_t mask)
{
    const uint32_t a = ip >> 24;
    if (mask == 0)
        return false;
    if (a >= 1 && a <= 126)
        return (mask & 0x80000000u) == 0x80000000u;
    if (a >= 128 && a <= 191)
        return (mask & 0xC0000000u) == 0xC0000000u;
    if (a >= 192 && a <= 223)
        return (mask & 0xE0000000u) == 0xE0000000u;
    return false;
}

// The three checks every address of the page goes through, numbered from
// `first`: format, first group, reserved subnet. 0 when all pass.
int addressSteps(const QString &text, int first, uint32_t *value)
{
    if (!AddressPatterns::matchesConfig(text))
        return first;
    *value = addressValue(text);
    if (badFirstGroup(*value))
        return first + 1;
    if (inReservedSubnet(*value))
        return first + 2;
    return 0;
}

bool hostPartAllZerosOrOnes(uint32_t value, uint32_t mask)
{
    const uint32_t host = value & ~mask;
    return host == 0 || host == ~mask;
}
} // namespace

uint32_t addressValue(const QString &text)
{
    uint32_t value = 0;
    return parseAddress(text, &value) ? value : 0;
}

int firstFailingStep(const QString &current, const QString &ip, const QString &mask, const QString &gateway)
{
    uint32_t cur = 0, address = 0, gw = 0, unused = 0;
    if (const int step = addressSteps(current, 1, &cur))
        return step;
    if (const int step = addressSteps(ip, 4, &address))
        return step;
    if (!AddressPatterns::matchesConfig(mask))
        return 7;
    if (mask == QLatin1String("255.255.255.255") || mask == QLatin1String("0.0.0.0"))
        return 8;
    const uint32_t m = addressValue(mask);
    if (m == 0 || ((~m >> 1) & m) != 0)
        return 9;
    if (const int step = addressSteps(gateway, 10, &gw))
        return step;
    if (!parseAddress(ip, &unused) || !classRuleHolds(address, m))
        return 13;
    if (hostPartAllZerosOrOnes(address, m))
        return 14;
    if (hostPartAllZerosOrOnes(gw, m))
        return 15;
    if (gw < (address & m) || gw > (address | ~m))
        return 16;
    if (ip == current)
        return 17;
    if (ip == gateway)
        return 18;
    return 0;
}

const char *title(int step)
{
    return step >= 1 && step <= 18 ? Rules[step - 1].title : "";
}

const char *text(int step)
{
    return step >= 1 && step <= 18 ? Rules[step - 1].text : "";
}

} // namespace NetworkRules
