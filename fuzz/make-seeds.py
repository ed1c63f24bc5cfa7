#!/usr/bin/env python3
"""Writes the seed corpora in fuzz/corpus/<target>/.

The seeds are real exchanges and real files: a clone read, an identification,
monitor answers, the shipped "Const.ini", a settings file as the program
writes it. Each target reads its input front to back as "opcode, arguments,
...", so a seed is spelt out here in the target's own terms. Run it again
after changing a target's input format; the fuzzers grow the corpora from
these seeds in their own working folders.
"""
import os

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)


def write(target, name, data):
    folder = os.path.join(HERE, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(bytes(data))


def ascii_hex(bs):
    return list("".join("%02X" % b for b in bs).encode())


def clone_block(adr, data):
    block = [(adr >> 8) & 0xFF, adr & 0xFF, len(data)] + list(data)
    block.append((256 - sum(block) % 256) % 256)
    return block


def radio_frame(cmd, data):
    return [0xFE, 0xFE, 0xEF, 0xEE, cmd] + list(data) + [0xFD]


def e4(adr, data):
    return radio_frame(0xE4, ascii_hex(clone_block(adr, data)))


SIGNATURE = list(b"Torv Inc.")
IDENT = [0x23, 0x20, 0x00, 0x01]

# ---------------------------------------------------------------- frame driver
# Word clock, byte fill, then ops: 0 mode, 1 send, 2 bytes (word length),
# 3 echo (cut byte), 4 clone frame, 5 other answer, 6 ticks, 7 reset,
# 8 clear, 9 port state, 10 clock jump.


def d_mode(mode, answer=False):
    return [0, mode | (0x80 if answer else 0)]


def d_send(payload, retries=0):
    return [1, retries, len(payload)] + list(payload)


def d_bytes(bs):
    return [2, len(bs) >> 8, len(bs) & 0xFF] + list(bs)


def d_echo(cut=0):
    return [3, cut]


def d_ticks(n):
    return [6, n - 1]


def drv_seed(*parts):
    out = [0x00, 0x10, 0x00]
    for p in parts:
        out += p
    return out


memory = [(i * 7 + 3) & 0xFF for i in range(64)]
clone = []
for k in range(4):
    clone += e4(k * 16, memory[k * 16:(k + 1) * 16])
write("frame_driver", "clone_read", drv_seed(
    d_mode(2), d_send([0xE2] + IDENT), d_echo(7), d_bytes(clone),
    d_bytes(radio_frame(0xE5, SIGNATURE)), d_ticks(2)))
noisy = []
for k in range(3):
    noisy += [0x12, 0x40, 0xFD, 0x33] + e4(0x100 + k * 16, memory[k * 16:(k + 1) * 16])
write("frame_driver", "clone_read_noise", drv_seed(
    d_mode(2), d_send([0xE2] + IDENT), d_echo(), d_bytes(noisy), d_ticks(30)))
write("frame_driver", "block_past_the_end", drv_seed(
    d_mode(2), d_send([0xE2] + IDENT), d_echo(), d_bytes(e4(0x0FF8, memory[:16]))))
write("frame_driver", "identify", drv_seed(
    d_mode(1), d_send([0xE0, 0x23, 0x20, 0x00, 0x00]), d_echo(3), d_bytes(radio_frame(0xE1, IDENT))))
write("frame_driver", "e8_answer", drv_seed(
    d_mode(5, True), d_send([0xE8] + IDENT + [0x94, 0x30, 0x30], 2), d_echo(12),
    d_bytes(radio_frame(0xE8, IDENT + [0x94, 0x37, 0x42]))))
write("frame_driver", "e8_retries", drv_seed(
    d_mode(5, True), d_send([0xE8] + IDENT + [0x99, 0x30, 0x30], 2), d_echo(), d_ticks(25),
    d_echo(), d_ticks(25), d_echo(), d_ticks(25)))
write("frame_driver", "e8_no_answer_wanted", drv_seed(
    d_mode(5), d_send([0xE8] + IDENT + [0x08, 0x33, 0x46]), d_echo(), [7], d_ticks(1)))

# -------------------------------------------------------------- monitor answer
# selector (family = s % 3, index = s / 3), identity choice, shape, body, rest.
write("monitor_answer", "mkey_7b", [0, 0, 1, 0x37, 0x42] + IDENT + [0x90, 0x37, 0x42])
write("monitor_answer", "temps_80", [12, 0, 1, 0x38, 0x30])
write("monitor_answer", "batt_ff", [30, 0, 1, 0x46, 0x46])
write("monitor_answer", "frqcon_raw", [1, 0, 14] + IDENT + [0x80, 0x34, 0x31])
write("monitor_answer", "sql_close_malformed", [5, 0, 1, ord("G"), ord("Z")])
write("monitor_answer", "wrong_sub_command", [2, 0, 14] + IDENT + [0xA1, 0x32, 0x44])
write("monitor_answer", "other_identity", [0, 9, 0x24, 0x20, 0x00, 0x01, 1, 0x31, 0x32])

# -------------------------------------------------------------------- Const.ini
with open(os.path.join(ROOT, "Const.ini"), "rb") as f:
    shipped = f.read()
write("const_ini", "shipped", shipped)
lines = shipped.replace(b"\r\n", b"\n").split(b"\n")
write("const_ini", "lf_endings", b"\n".join(lines))
write("const_ini", "comments_and_blanks",
      b"  PW-R4T ADJ Rev.1.1\t\r\n" + b"\r\n".join(b" " + l + b" ; offset" for l in lines[1:33]) + b"\r\n")
write("const_ini", "hex_and_fractions",
      b"\xEF\xBB\xBFPW-R4T ADJ Rev.1.1\r\n&H80\r\n" + b"\r\n".join([b"2.5", b"-1.5E1", b"1 2", b"&HFFFF"] * 8) + b"\r\n")
write("const_ini", "short", b"\r\n".join(lines[:32]))

# ---------------------------------------------------------------- settings file
# choice (section = c % 5, key = c / 5 % 8, type = c / 40 % 3), value length,
# value, then the file.


def settings(choice, value, text):
    return [choice, len(value)] + list(value) + list(text)


written = b"[OPTION]\r\nComPort=2\r\nComAutoRelease=3\r\n"
write("settings_file", "as_written", settings(0, b"3", written))
write("settings_file", "release_text", settings(5 + 40, b" 4 ", written))
write("settings_file", "ports_and_comments", settings(3 + 4 * 5 + 40, b"/dev/ttyUSB0",
      b"; bench 3\n[PORTS]\nCOM1=/dev/ttyS0\n\n[OPTION]\nComPort = 4 \rComAutoRelease=0"))
write("settings_file", "no_section", settings(1 + 80, b"1", b"junk line\r\n[other]\r\nx=1"))
write("settings_file", "empty_file", settings(0, b"2", b""))

# ----------------------------------------------------------------- conversions
write("conversions", "e4_frame", [0xEF, 0xEE, 0xE4] + ascii_hex(clone_block(0x120, [0] * 16)))
write("conversions", "e5_frame", [0xEF, 0xEE, 0xE5] + SIGNATURE)
write("conversions", "e1_frame", [0xEF, 0xEE, 0xE1] + IDENT)
write("conversions", "e8_answer", [0x94, 0x23, 0x20, 0x00, 0x01, 0x94, 0x37, 0x42])
write("conversions", "hex_text", list(b"FE FE 00 E0"))
write("conversions", "ascii_hex", list(b"3346"))
write("conversions", "number", list(b" -12.5D3 "))
write("conversions", "new_line", list(b"a\\nb\\"))

# --------------------------------------------------------------------- session
# radio options, then ops: 0 ticks, 1 Connect, 2 key, 3 select line,
# 4 button, 5 tamper, 6 inject, 7 line error, 8 fault, 9 bench, 10 catch up,
# 11 auto release.
LEFT, RIGHT, RET, SEP, F5, UP = range(6)


def key(k, shift=False):
    return [2, k | (0x80 if shift else 0)]


connect = [1, 10]
write("session", "connect_and_step", [10] + connect + [3, 3] + key(RIGHT) + key(RIGHT, True) + [0, 4]
      + [3, 9] + key(LEFT) + [0, 4] + key(F5) + [10])
write("session", "disp_para", [10] + connect + [4, 2, 0, 6, 4, 2, 0, 6])
write("session", "sql_procedure", [10] + connect + [3, 13] + key(RET) + [0, 4] + key(RET) + [0, 8]
      + key(RET) + [0, 8] + [10])
write("session", "bpf_sweep", [10] + connect + [3, 8] + key(RET) + [0, 15, 0, 15, 0, 15])
write("session", "atis_japan", [11] + connect + [3, 14] + key(RET) + [0, 6] + key(RET) + [0, 6])
write("session", "txf", [10] + connect + [3, 6] + key(RET) + [0, 6] + key(RIGHT) + [0, 6] + key(RET) + [0, 6])
write("session", "fault_no_answer", [10, 8, 1, 0x84, 0x94] + connect + [0, 15])
write("session", "fault_mid_clone", [10, 8, 5, 0x80, 40] + connect + [0, 15])
write("session", "tampered", [10, 1, 0, 1, 5, 1, 9, 0, 1, 5, 2, 30, 0, 3, 6, 4, 0xFE, 0xFE, 0xEF, 0xEE, 10])
