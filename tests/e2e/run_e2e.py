#!/usr/bin/env python3
print("end-to-end run not written yet")
