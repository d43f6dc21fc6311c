AEdit=0
BEdit=2*pi
xt=sin(t)+2*sin(2*t)
yt=cos(t)-2*cos(2*t)
zt=-sin(3*t)
Precission=600
