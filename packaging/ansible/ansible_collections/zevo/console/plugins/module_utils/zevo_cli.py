# Running zevo-cli for the modules: one JSON object on standard output, the reason on
# standard error, the exit status as zevo-cli(1) documents it.
import json

# zevo-cli's exit statuses.
PARTLY = 4       # saved, but what follows the save (FIX file, restart) failed
ROLLED_BACK = 5  # a confirmed save the gateway did not run on: rolled back


def common_arguments():
    return dict(
        restart=dict(type='bool', default=True),
        confirm=dict(type='int'),
        zevo_cli=dict(type='path', default='zevo-cli'),
        timeout=dict(type='int'),
    )


def run(module, words, json_out=True):
    """zevo-cli with `words`; returns (status, object or None, stderr)."""
    command = [module.params['zevo_cli']]
    if module.params.get('timeout'):
        command += ['--timeout', str(module.params['timeout'])]
    command += words
    if json_out:
        command.append('--json')
    status, out, err = module.run_command(command)
    report = None
    if json_out and out.strip():
        try:
            report = json.loads(out.strip().splitlines()[-1])
        except ValueError:
            module.fail_json(msg='zevo-cli printed no JSON', stdout=out, stderr=err, rc=status)
    return status, report, err.strip()


def change_options(module):
    """The options a change takes: check mode as a dry run, the restart, the confirmed save."""
    if module.check_mode:
        return ['--dry-run']
    options = []
    if not module.params['restart']:
        options.append('--no-restart')
    if module.params.get('confirm'):
        options += ['--confirm', str(module.params['confirm'])]
    return options


def finish(module, status, report, err, diff):
    """Ends the task as zevo-cli's status and report say."""
    result = dict(changed=bool(report and report.get('changed')), rc=status, report=report)
    if module._diff and diff is not None:
        result['diff'] = diff
    if status == ROLLED_BACK:
        result['changed'] = False
        module.fail_json(msg='rolled back: ' + err, **result)
    if status == PARTLY:
        module.fail_json(msg='saved, but: ' + err, **result)
    if status != 0:
        module.fail_json(msg=err or 'zevo-cli failed', **result)
    module.exit_json(**result)
