#!/usr/bin/env python3
"""Speech Dispatcher output modules driven over their pipes as the server
drives them: sd_kavosynth (the plug-in with the espeak engine) against
Debian's sd_espeak-ng, same texts, same steps, alternating. Prints a Markdown
section of goals and figures; scripts/bench puts it into bench/RESULTS.md.

    bench/sd_module_bench.py SD_KAVOSYNTH [RUNS]
"""
import os
import queue
import shutil
import signal
import statistics
import struct
import subprocess
import sys
import tempfile
import threading
import time

ESPEAK_MODULE = "/usr/lib/speech-dispatcher-modules/sd_espeak-ng"
ESPEAK_CONFIG = "/etc/speech-dispatcher/modules/espeak-ng.conf"
TEXTS = {
    "zh": "今天天气很好，我们去公园散步吧。",
    "en": "The quick brown fox jumps over the lazy dog.",
}
LONG = {
    "zh": "今天天气很好，我们去公园散步吧。春天来了，花都开了，小鸟在树上唱歌。" * 12,
    "en": "The quick brown fox jumps over the lazy dog, and then it runs far away into the green forest. " * 12,
}
# CPU time is read in clock ticks (10 ms): a text of some minutes of speech
# keeps that coarseness to a few per cent.
FOR_CPU = {language: text * 5 for language, text in LONG.items()}
LIMIT = 60  # seconds; a guard, never a figure


class Module:
    """One module process; a thread of its own reads its output lines, each
    stamped with the time it was read."""

    def __init__(self, name, argv):
        self.name = name
        self.process = subprocess.Popen(argv, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                        stderr=subprocess.DEVNULL, bufsize=0)
        self.lines = queue.Queue()
        self.reader = threading.Thread(target=self._read)
        self.reader.start()

    def _read(self):
        # Each line is stamped with the time the read that brought it returned,
        # so lines parsed after a long burst of audio are not stamped late.
        fd = self.process.stdout.fileno()
        pending = b""
        while True:
            data = os.read(fd, 1 << 16)
            stamp = time.perf_counter()
            if not data:
                break
            pending += data
            *lines, pending = pending.split(b"\n")
            for line in lines:
                self.lines.put((stamp, line + b"\n"))
        self.lines.put((time.perf_counter(), None))

    def send(self, text):
        """Writes the text; returns the time just before it was written."""
        data = text.encode()
        stamp = time.perf_counter()
        self.process.stdin.write(data)
        return stamp

    def until(self, prefix):
        """Lines up to and including the first that starts with prefix."""
        got = []
        while True:
            stamp, line = self.lines.get(timeout=LIMIT)
            if line is None:
                raise RuntimeError("%s ended while waiting for %r" % (self.name, prefix))
            got.append((stamp, line))
            if line.startswith(prefix.encode()):
                return got

    def cpu_seconds(self):
        with open("/proc/%d/stat" % self.process.pid) as stat:
            fields = stat.read().rsplit(")", 1)[1].split()
        return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")

    def command(self, lines, reply):
        self.send("".join(l + "\n" for l in lines))
        return self.until(reply)

    def close(self):
        try:
            self.send("QUIT\n")
        except BrokenPipeError:
            pass
        self.process.stdin.close()
        self.reader.join()
        self.process.wait()


def speak_command(ssml):
    return "SPEAK\n" + ssml + "\n.\n"


def start(name, argv, voices):
    module = Module(name, argv)
    reply = module.command(["INIT"], "299 ")[-1][1]
    if not reply.startswith(b"299 OK"):
        raise RuntimeError("%s did not start: %r" % (name, reply))
    module.command(["AUDIO", "audio_output_method=server", "."], "203 ")
    module.voices = voices
    return module


def use(module, language):
    module.command(["SET"] + module.voices[language] + ["."], "203 OK SETTINGS")


def first_audio_ms(module, text):
    """SPEAK of a short text: the time from its last line to the first audio event."""
    sent = module.send(speak_command("<speak>%s</speak>" % text))
    lines = module.until("705-")
    module.until("702 ")
    return (lines[-1][0] - sent) * 1000


def stop_ms(module, text):
    """STOP once audio flows: the time to 703, and the audio events after 703."""
    module.send(speak_command("<speak>%s</speak>" % text))
    module.until("705-")
    sent = module.send("STOP\n")
    stamp = module.until("703 ")[-1][0]
    # A command with a reply: whatever the module wrote between 703 and it is seen.
    after = module.command(["SET", "."], "203 OK SETTINGS")
    late = sum(1 for _, line in after if line.startswith(b"705 AUDIO"))
    return (stamp - sent) * 1000, late


def audio_seconds(module, ssml):
    """Seconds of audio the module sends for a message, to its 702."""
    module.send(speak_command(ssml))
    samples, rate = 0, 1
    for _, line in module.until("702 "):
        if line.startswith(b"705-num_samples="):
            samples += int(line.split(b"=")[1])
        elif line.startswith(b"705-sample_rate="):
            rate = int(line.split(b"=")[1])
    return samples / rate


def cpu_per_minute(module, text):
    """A long text spoken to its end: CPU seconds of the module per minute of its audio."""
    before = module.cpu_seconds()
    minutes = audio_seconds(module, "<speak>%s</speak>" % text) / 60
    return (module.cpu_seconds() - before) / minutes


def marks(module, language):
    """20 marks: their order, and the longest wait from the last audio before a mark to it."""
    words = TEXTS[language].split("，")[0] if language == "zh" else "word"
    ssml = "<speak>" + "".join('%s%d <mark name="m%d"/>' % (words, i, i) for i in range(20)) + "</speak>"
    module.send(speak_command(ssml))
    names, worst, last_audio = [], 0.0, None
    for stamp, line in module.until("702 "):
        if line.startswith(b"705 AUDIO"):
            last_audio = stamp
        elif line.startswith(b"700-"):
            names.append(line[4:].strip().decode())
            if last_audio is not None:
                worst = max(worst, (stamp - last_audio) * 1000)
    return names == ["m%d" % i for i in range(20)], worst


# A sentence of 19 words, spoken once plain and once with a mark before each word.
MARKED = "Orca reads this line aloud while the browser sends a mark before every single word of the sentence today"


def marks_cost(module):
    """The audio of the marked sentence over that of the plain one."""
    words = MARKED.split()
    marked = "".join('<mark name="w%d"/>%s ' % (i, word) for i, word in enumerate(words))
    return audio_seconds(module, "<speak>%s</speak>" % marked) / audio_seconds(module, "<speak>%s</speak>" % MARKED)


class PrivateServer:
    """A PulseAudio daemon with a 16 kHz null sink as its one sink, and a Speech
    Dispatcher server playing into it, both private to the bench; the modules
    are sd_kavosynth as built and Debian's sd_espeak-ng."""

    def __init__(self, kavosynth):
        self.root = tempfile.mkdtemp(prefix="sd-bench-")
        r = self.root
        self.env = dict(os.environ, HOME=r, XDG_RUNTIME_DIR=r, XDG_CONFIG_HOME=r + "/config", PULSE_SERVER="")
        subprocess.run(["pulseaudio", "--daemonize=yes", "-n", "--exit-idle-time=-1", "--realtime=no",
                        "--high-priority=no", "--no-cpu-limit=yes", "--log-target=file:" + r + "/pulse.log",
                        "--load=module-null-sink sink_name=bench format=s16le rate=16000 channels=1",
                        "--load=module-native-protocol-unix auth-anonymous=1 socket=" + r + "/native"],
                       env=self.env, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.env["PULSE_SERVER"] = "unix:" + r + "/native"
        config = r + "/config/speech-dispatcher"
        os.makedirs(config + "/modules")
        os.makedirs(r + "/modules")
        os.symlink(os.path.abspath(kavosynth), r + "/modules/sd_kavosynth")
        os.symlink(ESPEAK_MODULE, r + "/modules/sd_espeak-ng")
        with open(config + "/modules/kavosynth.conf", "w") as f:
            f.write("# defaults\n")
        with open(ESPEAK_CONFIG) as source, open(config + "/modules/espeak-ng.conf", "w") as f:
            f.write(source.read())
        # The server's own defaults for its sound output: what users have.
        with open(config + "/speechd.conf", "w") as f:
            f.write('AudioOutputMethod "pulse"\nAddModule "kavosynth" "sd_kavosynth" "kavosynth.conf"\n'
                    'AddModule "espeak-ng" "sd_espeak-ng" "espeak-ng.conf"\nDefaultModule kavosynth\n'
                    'DisableAutoSpawn\n')
        self.env["SPEECHD_ADDRESS"] = "unix_socket:" + r + "/speech-dispatcher/speechd.sock"
        subprocess.run(["speech-dispatcher", "-d", "-t", "600", "-C", config, "-m", r + "/modules", "-L", r],
                       env=self.env, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def heard_seconds(self, module, voice_args, text):
        """spd-say to its end, recorded at the sink's monitor: seconds from the
        first to the last sample above the noise floor."""
        recorder = subprocess.Popen(["parec", "--device=bench.monitor", "--raw", "--format=s16le", "--rate=16000",
                                     "--channels=1", "--latency-msec=10"], env=self.env, stdout=subprocess.PIPE)
        chunks = []
        reader = threading.Thread(target=lambda: chunks.extend(iter(lambda: recorder.stdout.read(1 << 16), b"")))
        reader.start()
        time.sleep(0.3)
        subprocess.run(["spd-say", "-o", module] + voice_args + ["-w", text], env=self.env, timeout=LIMIT,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        time.sleep(0.3)
        recorder.terminate()
        reader.join()
        recorder.wait()
        data = b"".join(chunks)
        samples = struct.unpack("<%dh" % (len(data) // 2), data[:len(data) // 2 * 2])
        loud = [i for i, v in enumerate(samples) if abs(v) > 64]
        return (loud[-1] - loud[0]) / 16000 if loud else 0.0

    def close(self):
        try:
            with open(self.root + "/speech-dispatcher/pid/speech-dispatcher.pid") as f:
                os.kill(int(f.read().strip()), signal.SIGTERM)
        except (OSError, ValueError):
            pass
        subprocess.run(["pulseaudio", "--kill"], env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        shutil.rmtree(self.root, ignore_errors=True)


def underruns(kavosynth, runs):
    """Seconds of Chinese heard through the server at the null sink, with both
    cores idle and with both busy, for each module, alternating: what load adds
    is silence the server's playback ran dry for."""
    server = PrivateServer(kavosynth)
    text = TEXTS["zh"] * 3
    voices = {"kavosynth": ["-y", "xiaoyan"], "espeak-ng": ["-l", "zh"]}
    heard = {(m, busy): [] for m in voices for busy in (False, True)}
    try:
        for run in range(runs):
            for busy in (False, True):
                # Busy: a spinning process per core, started and stopped here.
                spinners = [subprocess.Popen([sys.executable, "-c", "while True: pass"])
                            for _ in range(os.cpu_count() or 2)] if busy else []
                try:
                    for module in (list(voices) if run % 2 == 0 else list(voices)[::-1]):
                        heard[module, busy].append(server.heard_seconds(module, voices[module], text))
                finally:
                    for spinner in spinners:
                        spinner.terminate()
                        spinner.wait()
    finally:
        server.close()
    return heard


def memory(name, argv, voices, megabytes=20):
    """A fresh module, warmed by a short message: its resident MB before a
    message of this size, its peak, and 1 s after the STOP sent once the
    message's audio flows."""
    module = start(name, argv, voices)
    use(module, "en")
    audio_seconds(module, "<speak>%s</speak>" % TEXTS["en"])

    def status(field):
        with open("/proc/%d/status" % module.process.pid) as f:
            return next(int(l.split()[1]) for l in f if l.startswith(field + ":")) / 1024

    before = status("VmRSS")
    module.send(speak_command("<speak>%s</speak>" % ("The quick brown fox. " * ((megabytes << 20) // 21 + 1))[:megabytes << 20]))
    module.until("705-")
    module.send("STOP\n")
    module.until("703 ")
    time.sleep(1)
    peak, after = status("VmHWM"), status("VmRSS")
    module.close()
    return before, peak, after


def mmm(values, digits=3):
    values = sorted(values)
    return "%.*f / %.*f / %.*f" % (digits, values[0], digits, statistics.median(values), digits, values[-1])


def p99(values):
    values = sorted(values)
    return values[min(len(values) - 1, int(0.99 * len(values)))]


def main():
    # The reader thread takes the interpreter at once when output arrives,
    # rather than after the default 5 ms switch interval.
    sys.setswitchinterval(0.0001)
    kavosynth = sys.argv[1]
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 5
    config = tempfile.NamedTemporaryFile("w", suffix=".conf", delete=False)
    config.close()
    modules = [
        start("sd_kavosynth", [kavosynth, config.name],
              {"zh": ["synthesis_voice=xiaoyan"], "en": ["synthesis_voice=catherine"]}),
        start("sd_espeak-ng", [ESPEAK_MODULE, ESPEAK_CONFIG],
              {"zh": ["synthesis_voice=NULL", "language=zh"], "en": ["synthesis_voice=NULL", "language=en"]}),
    ]
    kavo, espeak = modules
    first = {(m.name, l): [] for m in modules for l in TEXTS}
    stops = {m.name: [] for m in modules}
    late = {m.name: 0 for m in modules}
    cpu = {(m.name, l): [] for m in modules for l in TEXTS}
    order = {}
    mark_wait = {m.name: 0.0 for m in modules}
    cost = {m.name: [] for m in modules}
    for run in range(runs):
        # Alternating: each run starts with the other module.
        for module in (modules if run % 2 == 0 else modules[::-1]):
            for language in TEXTS:
                use(module, language)
                for _ in range(20):
                    first[module.name, language].append(first_audio_ms(module, TEXTS[language]))
                for _ in range(20):
                    ms, after = stop_ms(module, LONG[language])
                    stops[module.name].append(ms)
                    late[module.name] += after
                cpu[module.name, language].append(cpu_per_minute(module, FOR_CPU[language]))
            in_order, wait = marks(module, "en")
            order[module.name] = order.get(module.name, True) and in_order
            mark_wait[module.name] = max(mark_wait[module.name], wait)
            cost[module.name].append(marks_cost(module))
    for module in modules:
        module.close()
    memory_mb = {
        "sd_kavosynth": memory("sd_kavosynth", [kavosynth, config.name], {"en": ["synthesis_voice=catherine"]}),
        "sd_espeak-ng": memory("sd_espeak-ng", [ESPEAK_MODULE, ESPEAK_CONFIG], {"en": ["synthesis_voice=NULL", "language=en"]}),
    }
    os.unlink(config.name)
    heard = underruns(kavosynth, runs)

    def met(ok):
        return "met" if ok else "**not met**"

    def median(values):
        return statistics.median(values)

    print("## Speech Dispatcher module against sd_espeak-ng")
    print()
    print("`bench/sd_module_bench.py build/linux/bin/sd_kavosynth %d`: both modules over their pipes as the server"
          " drives them (INIT, AUDIO with server audio, SET, then SPEAK, STOP), the same texts and steps, "
          "alternating; %d runs, each of 20 short messages and 20 stops per language. sd_kavosynth speaks through "
          "the plug-in with the espeak engine (xiaoyan, catherine); sd_espeak-ng with language zh, en." % (runs, runs))
    print()
    print("| Figure | Goal | sd_kavosynth | sd_espeak-ng | |")
    print("|---|---|---|---|---|")
    for language, label in (("zh", "Chinese"), ("en", "English")):
        k, e = first["sd_kavosynth", language], first["sd_espeak-ng", language]
        print("| SPEAK to first 705 block, %s, ms (min / median / max) | median ≤ sd_espeak-ng's | %s | %s | %s |"
              % (label, mmm(k), mmm(e), met(median(k) <= median(e))))
    k, e = stops["sd_kavosynth"], stops["sd_espeak-ng"]
    print("| STOP to 703, ms: p99 of %d (median); 705 blocks after 703 | p99 ≤ 1 ms, none after | %.3f (%.3f); %d | %.3f (%.3f); %d | %s |"
          % (len(k), p99(k), median(k), late["sd_kavosynth"], p99(e), median(e), late["sd_espeak-ng"],
             met(p99(k) <= 1.0 and late["sd_kavosynth"] == 0)))
    for language, label in (("zh", "Chinese"), ("en", "English")):
        k, e = cpu["sd_kavosynth", language], cpu["sd_espeak-ng", language]
        ratios = [a / b for a, b in zip(k, e)]
        print("| CPU s per minute of speech, %s (ratio min / median / max: %s) | ratio ≤ 1.15 | %s | %s | %s |"
              % (label, mmm(ratios, 2), mmm(k), mmm(e), met(median(ratios) <= 1.15)))
    print("| 20 marks: in order; longest wait from the last audio before a mark to its 700, ms | in order, within one 40 ms block of the audio before it | %s; %.3f | %s; %.3f | %s |"
          % ("yes" if order["sd_kavosynth"] else "no", mark_wait["sd_kavosynth"],
             "yes" if order["sd_espeak-ng"] else "no", mark_wait["sd_espeak-ng"],
             met(order["sd_kavosynth"] and mark_wait["sd_kavosynth"] <= 40)))
    k, e = cost["sd_kavosynth"], cost["sd_espeak-ng"]
    print("| A %d-word sentence with a mark before each word: its audio over that without marks (min / median / max) "
          "| ≤ 1.15 | %s | %s | %s |" % (len(MARKED.split()), mmm(k), mmm(e), met(max(k) <= 1.15)))
    (kb, kp, ka), (eb, ep, ea) = memory_mb["sd_kavosynth"], memory_mb["sd_espeak-ng"]
    print("| A 20 MB message, STOP once it sounds: resident MB before / peak / 1 s after | peak ≤ before + 40, after ≤ before + 2 "
          "| %.0f / %.0f / %.0f | %.0f / %.0f / %.0f | %s |" % (kb, kp, ka, eb, ep, ea, met(kp <= kb + 40 and ka <= kb + 2)))
    # Load adds to the span heard what the server's playback ran dry for.
    added = {m: [b - i for b, i in zip(heard[m, True], heard[m, False])] for m in ("kavosynth", "espeak-ng")}
    print("| Chinese through a private server to a PulseAudio null sink: seconds heard, both cores idle; both busy; "
          "busy minus idle (min / median / max of %d alternating runs) | added ≤ sd_espeak-ng's | %s; %s; %s | %s; %s; %s | %s |"
          % (runs, mmm(heard["kavosynth", False], 2), mmm(heard["kavosynth", True], 2), mmm(added["kavosynth"], 2),
             mmm(heard["espeak-ng", False], 2), mmm(heard["espeak-ng", True], 2), mmm(added["espeak-ng"], 2),
             met(median(added["kavosynth"]) <= median(added["espeak-ng"]))))
    print()


if __name__ == "__main__":
    main()
