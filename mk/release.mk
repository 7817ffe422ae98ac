# Release targets.
