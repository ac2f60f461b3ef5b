# Sourced by the scripts: `on_display CMD...` runs a command on a display of its own under Xvfb. The
# server must not reset when its last client leaves: the next window program, starting just then,
# would find no server.
on_display() {
    xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" "$@"
}
