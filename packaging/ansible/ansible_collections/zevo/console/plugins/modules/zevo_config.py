#!/usr/bin/python
# Values of a market's gateway configuration file, through zevo-cli config set.

DOCUMENTATION = r'''
module: zevo_config
short_description: Values of a QEL gateway's configuration file, saved as ZEVO saves them
description:
  - Sets values of a market's gateway configuration file with C(zevo-cli config set), under
    the QEL Configuration dialog's rules, and restarts a running gateway after a change.
  - Changes nothing, and reports no change, when the file already holds the values.
  - Check mode is C(--dry-run); diff mode shows the KEY=VALUE lines that change.
options:
  market:
    description: The market (CM, FO, WDM, IPO, CD, SLBM, MF).
    type: str
    required: true
  settings:
    description: KEY to VALUE; keys MACHINE_LAN_IP, MACHINE_WAN_IP, PRIMARY_HOST_IP,
      HOST_PORT_NUMBER, BOX_ID, BROKER_ID, CURRENT_CONFIG.
    type: dict
    required: true
  restart:
    description: Restart a running gateway after a change.
    type: bool
    default: true
  confirm:
    description: Seconds within which the gateway must run again with an accepted version;
      otherwise the change is rolled back and the task fails.
    type: int
  zevo_cli:
    description: The zevo-cli program.
    type: path
    default: zevo-cli
  timeout:
    description: Seconds zevo-cli waits for a gateway or the configuration lock.
    type: int
'''

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.zevo.console.plugins.module_utils import zevo_cli


def main():
    arguments = dict(market=dict(type='str', required=True),
                     settings=dict(type='dict', required=True))
    arguments.update(zevo_cli.common_arguments())
    module = AnsibleModule(argument_spec=arguments, supports_check_mode=True)
    settings = ['%s=%s' % (key, value) for key, value in sorted(module.params['settings'].items())]
    words = ['config', 'set', module.params['market']] + settings
    status, report, err = zevo_cli.run(module, words + zevo_cli.change_options(module))
    diff = None
    if report is not None:
        changes = report.get('changes', [])
        diff = dict(before=''.join('%s=%s\n' % (c['key'], c['from']) for c in changes),
                    after=''.join('%s=%s\n' % (c['key'], c['to']) for c in changes))
    zevo_cli.finish(module, status, report, err, diff)


if __name__ == '__main__':
    main()
