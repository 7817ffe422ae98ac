// songbeam-monitor.exe --print, run as a user's script runs it: its standard
// output is a pipe that this test reads while the plug-in plays in the
// stand-in host. Each status must arrive as one line at once, decoded as a
// messenger shows it; records the plug-in never sends are listed as
// unexpected, and the monitor keeps going.
#include "plugin_session.h"

namespace {

const char MONITOR_TITLE[] = "Songbeam! monitor";

struct Monitor {
    HANDLE process = NULL;
    HANDLE output = NULL;  // the read end of the monitor's standard output
    HWND window = NULL;
    std::string pending;
};

// Starts the monitor on this thread's desktop (the test's private one), with
// a pipe of its own as standard output.
bool StartMonitor(Monitor *monitor) {
    char desktop[128] = "";
    DWORD needed = 0;
    GetUserObjectInformationA(GetThreadDesktop(GetCurrentThreadId()), UOI_NAME, desktop, sizeof desktop, &needed);
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, NULL, TRUE};
    HANDLE readEnd = NULL, writeEnd = NULL;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0))
        return false;
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    std::string program = StandinPluginPath();
    program = program.substr(0, program.find_last_of('\\')) + "\\songbeam-monitor.exe";
    std::string command = "\"" + program + "\" --print";
    std::vector<char> line(command.begin(), command.end());
    line.push_back(0);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.lpDesktop = desktop;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    PROCESS_INFORMATION info = {};
    BOOL started = CreateProcessA(NULL, line.data(), NULL, NULL, TRUE, 0, NULL, NULL, &startup, &info);
    CloseHandle(writeEnd);
    if (!started) {
        CloseHandle(readEnd);
        return false;
    }
    CloseHandle(info.hThread);
    monitor->process = info.hProcess;
    monitor->output = readEnd;
    // A monitor that ended shows no window: no more waiting.
    bool ended = false;
    for (int waited = 0; monitor->window == NULL && !ended && waited < 20000; waited += 20) {
        monitor->window = FindWindowExA(NULL, NULL, "MsnMsgrUIManager", MONITOR_TITLE);
        if (monitor->window == NULL)
            ended = WaitForSingleObject(monitor->process, 20) == WAIT_OBJECT_0;
    }
    return monitor->window != NULL;
}

// The next line the monitor printed (without its line end), or "<nothing>"
// when none came within two seconds.
std::string NextLine(Monitor *monitor) {
    for (int waited = 0; waited < 2000;) {
        size_t end = monitor->pending.find('\n');
        if (end != std::string::npos) {
            std::string line = monitor->pending.substr(0, end);
            monitor->pending.erase(0, end + 1);
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            return line;
        }
        DWORD available = 0;
        if (!PeekNamedPipe(monitor->output, NULL, 0, NULL, &available, NULL))
            break;
        if (available == 0) {
            Sleep(10);
            waited += 10;
            continue;
        }
        char chunk[512];
        DWORD got = 0;
        if (!ReadFile(monitor->output, chunk, available < sizeof chunk ? available : sizeof chunk, &got, NULL))
            break;
        monitor->pending.append(chunk, got);
    }
    return "<nothing>";
}

void StopMonitor(Monitor *monitor) {
    StandinEndProcess(monitor->process, monitor->window);
    if (monitor->output != NULL)
        CloseHandle(monitor->output);
    *monitor = Monitor();
}

// Sends one record as any program could, bypassing the plug-in.
void SendRecord(HWND window, ULONG_PTR identifier, const std::string &bytes) {
    COPYDATASTRUCT data = {identifier, (DWORD)bytes.size(), bytes.empty() ? NULL : (void *)bytes.data()};
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(window, WM_COPYDATA, 0, (LPARAM)&data, SMTO_NORMAL, 2000, &ignored);
}

class MonitorTest : public PluginSession {
protected:
    void TearDown() override {
        StopMonitor(&monitor);
        PluginSession::TearDown();
    }
    Monitor monitor;
};

TEST_F(MonitorTest, PrintsEachStatusAsTheMessengerLineAtOnce) {
    ASSERT_TRUE(StartMonitor(&monitor)) << "the monitor's window did not appear";
    // Three slots: song, artist and a custom text.
    LoadPlugin("[Songbeam!]\r\nENABLE=1\r\nTEXT1=102\r\nTEXT2=104\r\nTEXT3=108\r\nTEXT4=0\r\nCUSTOM3=on air\r\n");

    struct Step {
        const char *file;
        std::string tail;   // the file's last bytes: an ID3v1 tag or nothing
        const char *title;  // the playlist title
        const char *line;   // what the monitor prints
    };
    const Step steps[] = {
        {"rain.mp3", StandinTag("Rain", "Kora", "Blue Hours"), "x", "on \"Rain - Kora - on air\""},
        {"cafe.mp3", StandinTag("Caf\xE9 Noir", "Mara Lind", ""), "x", "on \"Caf\xC3\xA9 Noir - Mara Lind - on air\""},
        {"ostinato.mp3", "", "Ostinato", "on \"Ostinato - on air\""},
    };
    for (const Step &step : steps) {
        AddTrack(step.file, step.tail, step.title);
        ASSERT_EQ(Publish().size(), 1u);
        EXPECT_EQ(NextLine(&monitor), step.line) << step.file;
    }
    // Any character, in UTF-8, whatever the ANSI code page.
    const std::string unicode = "\u5B87\u591A\u7530 - \u041A\u0438\u043D\u043E \U0001F3B5";
    StandinSetCurrent(StandinAddEntryW(StandinFromUtf8(folder + "\\missing.mp3"), StandinFromUtf8(unicode)));
    ASSERT_EQ(Publish().size(), 1u);
    EXPECT_EQ(NextLine(&monitor), "on \"\u041A\u0438\u043D\u043E \U0001F3B5 - \u5B87\u591A\u7530 - on air\"");
    Quit();
    EXPECT_EQ(NextLine(&monitor), "off");

    // Records from elsewhere: listed, never fatal.
    struct Odd {
        ULONG_PTR identifier;
        std::string bytes;
        const char *line;
    };
    const Odd odd[] = {
        {0x547, StandinWide("\\0Music\\01\\0{1} by {0} {7}\\0Rain\\0Kora\\0WMContentID\\0"), "on \"Kora by Rain {7}\""},
        {0x547, StandinWide("\\0Music\\01\\0{0}\\0Rain\\0WMContentID\\0").substr(0, 40), "unexpected \"\\0Music\\01\\0{0}\\0Rai\""},
        {0x548, StandinWide("\\0Music\\00\\0WMContentID\\0"), "unexpected \"\\0Music\\00\\0WMContentID\\0\""},
        {0x547, std::string(), "unexpected \"\""},
        {0x547, std::string("A\0\0", 3), "unexpected \"A\""},
    };
    for (const Odd &record : odd) {
        SendRecord(monitor.window, record.identifier, record.bytes);
        EXPECT_EQ(NextLine(&monitor), record.line);
    }
    EXPECT_EQ(NextLine(&monitor), "<nothing>") << "one line per record";
    ASSERT_TRUE(IsWindow(monitor.window));
    PostMessageA(monitor.window, WM_CLOSE, 0, 0);
    EXPECT_EQ(WaitForSingleObject(monitor.process, 5000), WAIT_OBJECT_0) << "the monitor ends when closed";
}

}  // namespace
