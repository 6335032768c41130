"""QeltWatch.exe started by hand, as an installer or an administrator would: it registers
itself and has the manager start it, or finds the service running and leaves it alone."""

import unittest

from wineharness import (
    BIN_DIR,
    EXE,
    SERVICE_RUNNING,
    WineTestCase,
    is_interleaving,
    without_hotfix_step,
)

LAUNCHED = "qelt-monitor start success!"
FIRST_START_BY_HAND = [
    "QltWatch install success!",
    "StartServiceCtrlDispatcher failed!",
    "QeltWatch start!",
    "StartService success!",
]
STARTED_BY_THE_MANAGER = ["QeltWatch already installed!", "QeltWatch start!", LAUNCHED]


class FirstStartTest(WineTestCase):
    fresh_prefix_per_test = True

    def test_first_start_by_hand_registers_the_quoted_path_and_the_manager_starts_the_service(self):
        # The install root lies under "C:\Program Files": were the registered path unquoted,
        # the manager would run C:\Program.exe instead, which here records its own start.
        self.place(BIN_DIR / "fixture_companion.exe", r"C:\Program.exe")
        self.write_file(r"C:\companion-mode.txt", "exit")

        self.assertEqual(self.run_by_hand(), 0)
        messages = self.wait_for_message(LAUNCHED)
        # Two processes write at once: the one started by hand, and the one the manager
        # started, whose lines may come between the others.
        self.assertTrue(is_interleaving(messages, FIRST_START_BY_HAND, STARTED_BY_THE_MANAGER), messages)

        self.assertEqual(
            self.svcctl("config").values,
            {
                "type": "16",
                "start": "2",
                "error": "1",
                "binary": '"%s"' % EXE,
                "group": "",
                "tag": "0",
                "dependencies": "empty",
                "account": "LocalSystem",
                "display": "QeltWatch",
            },
        )
        status = self.service_status()
        self.assertNotEqual(status.pop("pid"), "0")
        self.assertEqual(
            status,
            {
                "type": "16",
                "state": str(SERVICE_RUNNING),
                "win32exit": "0",
                "specificexit": "0",
                "checkpoint": "0",
                "waithint": "0",
                "controls": "1",
            },
        )
        self.assertFalse(self.path(r"C:\companion-starts.txt").exists(), "C:\\Program.exe was run")
        # Only the service launched the companion, once; nothing more was written meanwhile.
        self.assertEqual(len(self.companion_starts()), 1)
        self.assertEqual(without_hotfix_step(self.log.messages()), messages)


class StartByHandTest(WineTestCase):
    def test_start_by_hand_while_the_service_runs_leaves_the_service_undisturbed(self):
        self.start_service()
        before = self.wait_for_message(LAUNCHED)
        pid = self.service_status()["pid"]

        self.assertEqual(self.run_by_hand(), 0)
        self.assertEqual(
            without_hotfix_step(self.log.messages())[len(before):],
            [
                "QeltWatch already installed!",
                "StartServiceCtrlDispatcher failed!",
                "QeltWatch start!",
                "StartService failed (1056)",
            ],
        )
        status = self.service_status()
        self.assertEqual((status["state"], status["pid"]), (str(SERVICE_RUNNING), pid))
        self.assertEqual(len(self.companion_starts()), 1)
        self.assertEqual(self.companion_exits(), [])


if __name__ == "__main__":
    unittest.main()
