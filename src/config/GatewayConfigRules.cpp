#include "config/GatewayConfigRules.h"

#include <cstdio>
#include <cstdlib>

#include "config/KeyValueFile.h"
#include "core/MarketType.h"
#include "log/Format.h"
#include "platform/MessageBox.h"

namespace {

int Decimal(const std::string& text) {
    return static_cast<int>(std::strtoll(text.c_str(), nullptr, 10));
}

}  // namespace

GatewayConfigRuleBreak CheckGatewayConfiguration(const GatewayConfigValues& values, int marketType,
                                                 ActivityLog* log, const LogSite& site) {
    using Field = GatewayConfigField;
    const unsigned info = platform::MB_OK | platform::MB_ICONINFORMATION;
    auto fail = [&](Field field, bool restore, const std::string& logLine, const std::string& box,
                    unsigned icon) {
        LogAt(log, LogLevel::Activity, site, "validate_parameters", logLine);
        return GatewayConfigRuleBreak{field, restore, box, icon};
    };
    auto note = [&](const char* text) {
        LogAt(log, LogLevel::Activity, site, "validate_parameters", text);
    };
    const bool bcpSelected = values.radioPrimary == 1;
    const char* market = MarketNameOrEmpty(marketType);
    if (values.localIp.empty()) {
        return fail(Field::LocalIp, true, "Local IP is blank", "Local IP can't be blank", info);
    }
    if (values.wanIp.empty()) {
        return fail(Field::WanIp, true, "WAN IP is blank", "WAN IP can't be blank", info);
    }
    if (values.hostIp.empty()) {
        return fail(Field::HostIp, true, "Host IP is blank", "Host IP can't be blank", info);
    }
    if (values.hostPort.empty()) {
        return fail(Field::HostPort, true, "Host port is blank", "Host Port can't be blank", info);
    }
    if (!bcpSelected) {
        note("Not doing Blank validation for BCP IP");
    } else if (values.bcpIp.empty()) {
        return fail(Field::BcpIp, false, "BCP IP is blank",
                    Fmt("%s - %s", market, "QEL Setup Error."), platform::MB_OK);
    }
    if (values.boxId.empty()) {
        return fail(Field::BoxId, true, "Box ID is blank", "Box ID can't be blank", info);
    }
    if (values.brokerId.empty()) {
        return fail(Field::BrokerId, true, "Broker ID is blank", "Broker ID can't be blank", info);
    }
    if (values.localIp == "0.0.0.0") {
        return fail(Field::LocalIp, true, "Local IP is 0.0.0.0", "Local IP can't be 0.0.0.0", info);
    }
    if (values.wanIp == "0.0.0.0") {
        return fail(Field::WanIp, true, "WAN IP is 0.0.0.0", "WAN IP can't be 0.0.0.0", info);
    }
    if (values.hostIp == "0.0.0.0") {
        return fail(Field::HostIp, true, "Host IP is 0.0.0.0", "Host IP can't be 0.0.0.0", info);
    }
    if (!bcpSelected) {
        note("Not doing 0.0.0.0 validation for BCP IP");
    } else if (values.bcpIp == "0.0.0.0") {
        return fail(Field::BcpIp, true, "BCP IP is 0.0.0.0",
                    Fmt("%s - %s\nBCP IP can't be 0.0.0.0", market, "QEL Setup Error."), info);
    }
    const int port = Decimal(values.hostPort);
    if (port < 1 || port > 65535) {
        return fail(
            Field::HostPort, true,
            Fmt("Host port [%u] is not greater than zero and less than or equal to %u",
                static_cast<unsigned>(port), 65535u),
            Fmt("Host Port value should be greater than zero and less than or equal to %d", 65535),
            info);
    }
    const int boxId = Decimal(values.boxId);
    if (boxId < 1 || boxId > 65535 / 2) {
        return fail(
            Field::BoxId, true,
            Fmt("Box ID [%d] is not greater than zero and less than or equal to %u", boxId,
                65535u / 2),
            Fmt("Box ID value should be greater than zero and less than or equal to %d", 65535 / 2),
            info);
    }
    if (values.radioPrimary != 0 && values.radioPrimary != 1) {
        LogAt(log, LogLevel::Detail, site, "validate_parameters",
              Fmt("Invalid value of m_nRadioPrimary [%d]", values.radioPrimary));
        return GatewayConfigRuleBreak{Field::Selection, false, {}, 0};
    }
    return {};
}

int WriteGatewayConfiguration(const std::string& path, const std::string (&values)[8],
                              char* errorText) {
    static const char* const kKeys[8] = {"MACHINE_LAN_IP",   "MACHINE_WAN_IP", "HOST_MACHINE_IP",
                                         "HOST_PORT_NUMBER", "BOX_ID",         "BROKER_ID",
                                         "PRIMARY_HOST_IP",  "CURRENT_CONFIG"};
    char keys[8][40] = {}, texts[8][40] = {};
    for (int i = 0; i < 8; ++i) {
        std::snprintf(keys[i], sizeof keys[i], "%s", kKeys[i]);
        std::snprintf(texts[i], sizeof texts[i], "%s", values[i].c_str());
    }
    return write_configuration_parameters(path.c_str(), keys, texts, 8, errorText);
}
