// lcs: asks for two strings and prints the length of their longest common
// subsequence, computed by the Hunt-Szymanski method.
//
// After the result line the program waits for a key press, as the "pause"
// command of a console does, but only when a person is at the console
// (standard input and output both terminals), reading the key from the
// terminal itself so that no character typed ahead or left over from the
// words can answer it. The program is for POSIX systems.
#include <fcntl.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <initializer_list>

#include "console/dialogue.h"

namespace {

// The terminal's settings while the program waits, restored on every way out
// of the wait, a signal included.
int g_tty = -1;
struct termios g_saved_settings;

void restore_terminal() { tcsetattr(g_tty, TCSANOW, &g_saved_settings); }

void restore_and_reraise(int signal_number) {
    restore_terminal();
    ::signal(signal_number, SIG_DFL);
    ::raise(signal_number);
}

void pause_for_key() {
    if (!isatty(STDIN_FILENO) || !isatty(STDOUT_FILENO)) return;
    g_tty = ::open("/dev/tty", O_RDWR | O_NOCTTY);
    if (g_tty < 0) return;
    if (tcgetattr(g_tty, &g_saved_settings) == 0) {
        std::fputs("Press any key to continue . . . ", stdout);
        std::fflush(stdout);
        struct termios raw = g_saved_settings;
        raw.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO));
        raw.c_cc[VMIN] = 1;
        raw.c_cc[VTIME] = 0;
        for (int s : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) ::signal(s, restore_and_reraise);
        tcsetattr(g_tty, TCSAFLUSH, &raw);  // TCSAFLUSH drops what was typed ahead
        char key = 0;
        while (::read(g_tty, &key, 1) < 0 && errno == EINTR) {
        }
        restore_terminal();
        std::fputs("\n", stdout);
        std::fflush(stdout);
    }
    ::close(g_tty);
}

}  // namespace

int main() {
    const int status = run_dialogue(stdin, stdout, stderr);
    if (status != 0) return status;
    pause_for_key();
    return 0;
}
