// control
