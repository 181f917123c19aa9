placeholder murkle.hsc
