AEdit=0
BEdit=2*pi
xt=sin(3*t)
yt=sin(4*t)
zt=sin(5*t+pi/4)
Precission=1500
