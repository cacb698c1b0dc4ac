namespace brelloquin::dbf {}
