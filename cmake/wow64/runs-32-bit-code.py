#!/usr/bin/env python3
"""Tells whether this machine's kernel lets a program run 32-bit x86 code.

The WoW64 Wine runs a 32-bit Windows program in the CPU's 32-bit compatibility
mode, entered through the kernel's 32-bit user code segment. Some virtual
machines give programs no such segment: there the first far return into it
faults, and Wine dies with a segmentation fault before the program's first
instruction. This tries that far return in a child process, on a stack and code
below 2 GB, and exits 0 when 32-bit code ran, 1 with one line saying why not.
"""
import ctypes
import mmap
import subprocess
import sys

USER32_CODE_SEGMENT = 0x23
USER64_CODE_SEGMENT = 0x33
MAP_32BIT = 0x40
PAGE = 4096
MARK = 42


def machine_code(base):
    """A function that enters 32-bit mode, sets ebx to MARK, comes back and returns it."""
    code = bytearray()
    code += b"\x53\x41\x54"            # push rbx; push r12
    code += b"\x49\x89\xe4"            # mov r12, rsp
    code += b"\xbc" + (base + 2 * PAGE - 16).to_bytes(4, "little")  # mov esp, stack top
    code += b"\x6a" + bytes([USER32_CODE_SEGMENT])                 # push 0x23
    far_target = len(code) + 5 + 2
    code += b"\x68" + (base + far_target).to_bytes(4, "little")    # push 32-bit entry
    code += b"\x48\xcb"                # lretq: into 32-bit mode
    assert len(code) == far_target
    code += b"\xbb" + MARK.to_bytes(4, "little")                   # mov ebx, MARK
    code += b"\x6a" + bytes([USER64_CODE_SEGMENT])                 # push 0x33
    back = len(code) + 5 + 1
    code += b"\x68" + (base + back).to_bytes(4, "little")          # push 64-bit return
    code += b"\xcb"                    # lret: back to 64-bit mode
    assert len(code) == back
    code += b"\x4c\x89\xe4"            # mov rsp, r12
    code += b"\x89\xd8"                # mov eax, ebx
    code += b"\x41\x5c\x5b\xc3"        # pop r12; pop rbx; ret
    return bytes(code)


def run_in_this_process():
    memory = mmap.mmap(-1, 2 * PAGE, flags=mmap.MAP_PRIVATE | mmap.MAP_ANONYMOUS | MAP_32BIT,
                       prot=mmap.PROT_READ | mmap.PROT_WRITE | mmap.PROT_EXEC)
    base = ctypes.addressof(ctypes.c_char.from_buffer(memory))
    code = machine_code(base)
    memory[:len(code)] = code
    print(ctypes.CFUNCTYPE(ctypes.c_int)(base)())


def main():
    if sys.argv[1:] == ["--child"]:
        run_in_this_process()
        return 0
    import platform
    if platform.machine() != "x86_64":
        print(f"no: this is a {platform.machine()} machine, not x86_64")
        return 1
    child = subprocess.run([sys.executable, __file__, "--child"], capture_output=True, text=True)
    if child.returncode == 0 and child.stdout.strip() == str(MARK):
        print("yes: this kernel runs 32-bit code")
        return 0
    print(f"no: this kernel runs no 32-bit code (a far return into its 32-bit code segment "
          f"{USER32_CODE_SEGMENT:#x} ended the process with status {child.returncode}), "
          f"so the WoW64 Wine cannot start a 32-bit program here")
    return 1


if __name__ == "__main__":
    sys.exit(main())
