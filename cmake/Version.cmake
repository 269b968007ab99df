# The release's version, for the program and for the control hosts, which are projects of their
# own, and who publishes it, as the packages name them.
set(KV27_VERSION 1.0.0)
set(KV27_PUBLISHER "KV27 Exerciser developers")
