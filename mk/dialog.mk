# Targets for the configuration dialog (screenshot).
