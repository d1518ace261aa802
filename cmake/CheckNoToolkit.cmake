# cmake -DLIST=<file listing sources, one a line> -DSTAMP=<file> -P CheckNoToolkit.cmake
# Fails, naming file and line, when one of the sources includes a Qt, GTK, GLib or file manager
# header; writes STAMP when none does.
file(STRINGS "${LIST}" sources)
set(offences "")
foreach(source IN LISTS sources)
    file(STRINGS "${source}" lines REGEX "^[ \t]*#[ \t]*include")
    foreach(line IN LISTS lines)
        if(line MATCHES "#[ \t]*include[ \t]*[<\"](Q[A-Za-z0-9_]*[>/\"]|Qt[A-Za-z]*/|q[a-z0-9_]+\\.h|gtk/|gdk/|glib|gio/|gmodule|libnautilus|nautilus-|libnemo|libcaja)")
            string(APPEND offences "\n  ${source}: ${line}")
        endif()
    endforeach()
endforeach()
if(offences)
    message(FATAL_ERROR "The core includes a toolkit's header; it must build without one:${offences}")
endif()
if(STAMP)
    file(TOUCH "${STAMP}")
endif()
