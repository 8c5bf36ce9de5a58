#pragma once

#include <string>

#include "log/LogSite.h"

// The values of a market's gateway configuration as the configuration form holds them
// before a save: addresses as "%d.%d.%d.%d" (empty when blank), numbers and the broker ID
// as typed.
struct GatewayConfigValues {
    std::string localIp;
    std::string wanIp;
    std::string hostIp;
    std::string bcpIp;
    std::string hostPort;
    std::string boxId;
    std::string brokerId;
    int radioPrimary = 0;  // 0 primary host, 1 BCP host
};

// The value a rule refused, so that the form can show the value read from the file again.
enum class GatewayConfigField {
    None,
    LocalIp,
    WanIp,
    HostIp,
    HostPort,
    BcpIp,
    BoxId,
    BrokerId,
    Selection
};

struct GatewayConfigRuleBreak {
    GatewayConfigField field = GatewayConfigField::None;
    bool restore = false;  // the refused value is replaced by the one read
    std::string box;       // the message shown, caption "Error"; empty when none is shown
    unsigned icon = 0;     // platform::MB_* flags of that message
};

// Checks the configuration form's rules in its order: blank values, 0.0.0.0 addresses (the
// BCP address only when the BCP host is chosen), the host port in 1..65535 and the box ID
// in 1..32767. Writes the form's lines under `site` and the operation
// "validate_parameters". `field` is None when every rule holds.
GatewayConfigRuleBreak CheckGatewayConfiguration(const GatewayConfigValues& values, int marketType,
                                                 ActivityLog* log, const LogSite& site);

// Writes the eight values a save stores, in the order the gateway reads them:
// MACHINE_LAN_IP, MACHINE_WAN_IP, HOST_MACHINE_IP, HOST_PORT_NUMBER, BOX_ID, BROKER_ID,
// PRIMARY_HOST_IP, CURRENT_CONFIG. Returns the key=value writer's result; `errorText` (1024
// bytes) gets its text on failure.
int WriteGatewayConfiguration(const std::string& path, const std::string (&values)[8],
                              char* errorText);
