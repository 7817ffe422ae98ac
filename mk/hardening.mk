# Fuzzing and benchmark targets.
