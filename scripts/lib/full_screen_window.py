#!/usr/bin/python3
"""A stand-in for a full-screen application (a presentation someone is giving): a Tk window that asks the
window manager for full screen on the monitor it opens on and says what it is.

usage: full_screen_window.py TITLE"""

import sys
import tkinter


def main():
    title = sys.argv[1] if len(sys.argv) > 1 else "Full-screen application"
    root = tkinter.Tk()
    root.title(title)
    root.configure(background="#27324a")
    tkinter.Label(root, text=title, foreground="white", background="#27324a",
                  font=("DejaVu Sans", 36)).pack(expand=True)
    root.attributes("-fullscreen", True)
    root.mainloop()


if __name__ == "__main__":
    main()
