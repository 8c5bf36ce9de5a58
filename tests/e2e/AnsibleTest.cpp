// The Ansible collection in packaging/ansible run by the real ansible-playbook (connection
// local) against a simulated installation: a first run changes, a second changes nothing,
// check and diff modes show the lines and write nothing, and a FIX user the module adds is
// accepted by the gateway's FIX logon and refused once the module removed it.
#include <gtest/gtest.h>

#include <QProcess>
#include <QStandardPaths>
#include <string>

#include "support/CliFixture.h"
#include "support/TestSupport.h"

using namespace testing_support;

namespace {

class Ansible : public CliInstallation {
  protected:
    void SetUp() override {
        if (QStandardPaths::findExecutable("ansible-playbook").isEmpty()) {
            GTEST_SKIP() << "ansible-playbook (Debian package ansible-core) is not installed";
        }
        WriteFile(dir.File("playbook.yml"), Playbook());
    }

    std::string Playbook() const {
        return "- hosts: localhost\n"
               "  connection: local\n"
               "  gather_facts: false\n"
               "  environment:\n"
               "    QEL_IP_REGISTRY: " +
               layout.RegistryPath() +
               "\n"
               "    QEL_IP_SERVICE_DIR: " +
               layout.ServiceDir() +
               "\n"
               "  tasks:\n"
               "    - zevo.console.zevo_config:\n"
               "        market: FO\n"
               "        settings: {BOX_ID: \"{{ box | default(7) }}\"}\n"
               "        zevo_cli: " ZEVO_CLI_PATH
               "\n"
               "    - zevo.console.zevo_fix_user:\n"
               "        market: FO\n"
               "        user_id: 300\n"
               "        branch_id: 2\n"
               "        state: \"{{ user | default('present') }}\"\n"
               "        zevo_cli: " ZEVO_CLI_PATH "\n";
    }

    // ansible-playbook on the playbook with `arguments`; its output.
    CliResult Play(const QStringList& arguments = {}) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("ANSIBLE_COLLECTIONS_PATH", ZEVO_SOURCE_DIR "/packaging/ansible");
        environment.insert("ANSIBLE_HOME", QString::fromStdString(dir.File("ansible-home")));
        environment.insert("ANSIBLE_LOCAL_TEMP", QString::fromStdString(dir.File("ansible-tmp")));
        environment.insert("ANSIBLE_NOCOLOR", "1");
        environment.insert("ANSIBLE_PYTHON_INTERPRETER", "/usr/bin/python3");
        environment.insert("ANSIBLE_LOCALHOST_WARNING", "0");
        environment.insert("ANSIBLE_INVENTORY_UNPARSED_WARNING", "0");
        return RunProgram(
            "ansible-playbook",
            QStringList{"-i", "localhost,", QString::fromStdString(dir.File("playbook.yml"))} +
                arguments,
            environment);
    }

    // The trader's exit status: 0 accepted, 1 refused.
    int LogOn() const {
        return RunProgram(QEL_FIX_TRADER_PATH,
                          {"--fix-file", QString::fromStdString(layout.FixConfigPath(2)),
                           "--sender", "300,12342,2", "--timeout", "10"})
            .status;
    }
};

std::string Recap(const std::string& out) {
    const std::size_t at = out.find("localhost                  :");
    return at == std::string::npos ? out : out.substr(at, out.find('\n', at) - at);
}

TEST_F(Ansible, ARunChangesOnceChecksWithoutWritingAndItsFixUserLogsOnUntilRemoved) {
    const auto service = StartGateways();
    int gateway = service->NewGateway("qel_ip_fo.exe");
    EXPECT_EQ(LogOn(), 1);  // user 300 has no session yet

    const CliResult first = Play();
    ASSERT_EQ(first.status, 0) << first.out << first.err;
    EXPECT_NE(Recap(first.out).find("changed=2 "), std::string::npos) << first.out;
    gateway = service->NewGateway("qel_ip_fo.exe", gateway, layout.InteractivePort(2));
    ASSERT_NE(gateway, 0);
    EXPECT_EQ(LogOn(), 0);
    EXPECT_NE(ReadFile(layout.ConfigPath(2)).find("\nBOX_ID=7\n"), std::string::npos);

    const CliResult second = Play();
    EXPECT_NE(Recap(second.out).find("changed=0 "), std::string::npos) << second.out;

    const std::string config = ReadFile(layout.ConfigPath(2));
    const std::string fix = ReadFile(layout.FixConfigPath(2));
    const CliResult check = Play({"--check", "--diff", "-e", "box=8", "-e", "user=absent"});
    ASSERT_EQ(check.status, 0) << check.out << check.err;
    EXPECT_NE(check.out.find("\n-BOX_ID=7\n+BOX_ID=8\n"), std::string::npos) << check.out;
    EXPECT_NE(check.out.find("\n-TargetCompID=300,12342,2\n"), std::string::npos) << check.out;
    EXPECT_NE(Recap(check.out).find("changed=2 "), std::string::npos) << check.out;
    EXPECT_EQ(ReadFile(layout.ConfigPath(2)), config);
    EXPECT_EQ(ReadFile(layout.FixConfigPath(2)), fix);

    const CliResult removed = Play({"-e", "user=absent"});
    ASSERT_EQ(removed.status, 0) << removed.out << removed.err;
    EXPECT_NE(Recap(removed.out).find("changed=1 "), std::string::npos) << removed.out;
    ASSERT_NE(service->NewGateway("qel_ip_fo.exe", gateway, layout.InteractivePort(2)), 0);
    EXPECT_EQ(LogOn(), 1);
}

}  // namespace
