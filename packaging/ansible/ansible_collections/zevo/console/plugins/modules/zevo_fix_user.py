#!/usr/bin/python
# A FIX user of a FIX-enabled market, through zevo-cli fix.

DOCUMENTATION = r'''
module: zevo_fix_user
short_description: A FIX user of a QEL gateway, saved as ZEVO's FIX dialogs save it
description:
  - Makes a FIX user present with a branch ID (C(zevo-cli fix add), or C(fix edit) when the
    user is listed with another branch) or absent (C(zevo-cli fix delete --absent-ok)), under
    the FIX dialogs' rules, and restarts a running gateway after a change.
  - Check mode is C(--dry-run); diff mode shows the TargetCompID line that changes.
options:
  market:
    description: A FIX-enabled market.
    type: str
    required: true
  user_id:
    description: The user's ID (up to 5 digits).
    type: int
    required: true
  branch_id:
    description: The user's branch ID (up to 3 digits); required when state is present.
    type: int
  state:
    description: Whether the user has a session.
    type: str
    choices: [present, absent]
    default: present
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


def listed_branch(module, market, user_id):
    """The branch ID the user is listed with, or None."""
    status, report, err = zevo_cli.run(module, ['fix', 'list', market])
    if status != 0 or report is None:
        module.fail_json(msg=err or 'zevo-cli fix list failed', rc=status)
    for user in report.get('users', []):
        if user['user_id'] == user_id:
            return user['branch_id']
    return None


def main():
    arguments = dict(market=dict(type='str', required=True),
                     user_id=dict(type='int', required=True),
                     branch_id=dict(type='int'),
                     state=dict(type='str', choices=['present', 'absent'], default='present'))
    arguments.update(zevo_cli.common_arguments())
    module = AnsibleModule(argument_spec=arguments, supports_check_mode=True,
                           required_if=[('state', 'present', ['branch_id'])])
    market = module.params['market']
    user = str(module.params['user_id'])
    if module.params['state'] == 'absent':
        words = ['fix', 'delete', market, user, '--absent-ok']
    else:
        branch = listed_branch(module, market, module.params['user_id'])
        action = 'add' if branch is None or branch == module.params['branch_id'] else 'edit'
        words = ['fix', action, market, user, str(module.params['branch_id'])]
    status, report, err = zevo_cli.run(module, words + zevo_cli.change_options(module))
    diff = None
    if report is not None:
        diff = dict(before=report.get('before', ''), after=report.get('after', ''))
    zevo_cli.finish(module, status, report, err, diff)


if __name__ == '__main__':
    main()
