# The release's version, for the program and for the control hosts, which are projects of their own.
set(KV27_VERSION 1.0.0)
